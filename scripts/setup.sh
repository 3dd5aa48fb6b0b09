#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages. Quiet and idempotent:
# packages that are already there are not touched, and apt is not asked at all when none is missing.
# Usage: scripts/setup.sh [--product] [PACKAGE...]
#   --product: only what building, installing and running the plug-in and its tools needs.
set -euo pipefail

product_only=false
if [ "${1:-}" = "--product" ]; then
    product_only=true
    shift
fi

# The product: compilers, the VST 3 and LV2 headers, the editor's drawing, sound files, JACK, manual pages.
packages=(
    build-essential cmake ninja-build pkg-config
    juce-modules-source-data
    libcairo2-dev libfreetype-dev libx11-dev libxcb1-dev libpng-dev libfftw3-dev fonts-dejavu-core
    libsndfile1-dev libjack-jackd2-dev lv2-dev
    help2man
)
# The tests, benchmarks and sanitizer builds, the hosts and servers they drive, and the package checks.
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev
    libxtst-dev libebur128-dev libglib2.0-dev
    jackd2
    clang-14 libclang-rt-14-dev
    espeak-ng sox xvfb xdotool ffmpeg
    ardour
    liblilv-dev lilv-utils sordi jalv pipewire pipewire-bin
    lintian desktop-file-utils man-db
    locales
)
$product_only || packages+=("${test_packages[@]}")
packages+=("$@")
# npm fetches the editor's typefaces; a machine whose Node.js already brings it keeps that one.
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A comma decimal locale for the tests of locale-independent value texts.
if ! $product_only && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    echo "setup: generating the de_DE.UTF-8 locale"
    $sudo_cmd localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

# The editor's typefaces, into a cache outside the repository.
"$(dirname "$0")/fetch-fonts.sh"
