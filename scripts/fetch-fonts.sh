#!/usr/bin/env bash
# Fetches the editor's three typefaces from the npm registry into a cache outside the repository:
# Roboto-Regular.ttf, NotoSansJP.ttf, MPLUSRounded1c-Bold.ttf. Each package tarball is checked
# against its pinned sha512 before anything is extracted. Quiet and idempotent: fonts already in
# the cache are not fetched again.
# Usage: scripts/fetch-fonts.sh [CACHE_DIR]   (default $POMELU_FONT_CACHE, else
#        ~/.cache/pomelu-rarorud-izad/fonts)
set -euo pipefail

cache="${1:-${POMELU_FONT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/pomelu-rarorud-izad/fonts}}"

# package@version | pinned dist.integrity | TTF inside the package | name in the cache
fonts=(
    "@expo-google-fonts/roboto@0.4.3|sha512-kX3wmpmu06fN1yOwYWMdjYJWNUYW6xUiAGeHbvPzzSEb3A3j23JelQ3tAgwQNKgEKRq6wtMmzixy2r7y9c8dsA==|Roboto_400Regular.ttf|Roboto-Regular.ttf"
    "@expo-google-fonts/noto-sans-jp@0.4.3|sha512-Fl+Z6vtD24HFAYsvzB0S9Nery1ly16B9PesdY0wBd+wEHAvkNglnkTUspU0HqGOubkmoa8zusJrKv6vDx1o70A==|NotoSansJP_400Regular.ttf|NotoSansJP.ttf"
    "@expo-google-fonts/m-plus-rounded-1c@0.4.4|sha512-qGl+hIQLzVL73svgaTktKN8AyQYjYxBG3W2axoxhpVo/KmcICrnVlgFGfuc0r3flQ4KJlnv1UKzmYoRV7sPRpA==|MPLUSRounded1c_700Bold.ttf|MPLUSRounded1c-Bold.ttf"
)

mkdir -p "$cache"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for entry in "${fonts[@]}"; do
    IFS='|' read -r spec integrity member target <<<"$entry"
    [ -s "$cache/$target" ] && continue
    command -v npm >/dev/null || { echo "fetch-fonts: npm is needed to fetch $spec" >&2; exit 1; }
    tarball="$(cd "$work" && npm pack --silent "$spec" 2>/dev/null | tail -n 1)"
    if [ -z "$tarball" ] || [ ! -s "$work/$tarball" ]; then
        echo "fetch-fonts: could not fetch $spec from the npm registry" >&2
        exit 1
    fi
    actual="sha512-$(openssl dgst -sha512 -binary "$work/$tarball" | base64 -w0)"
    if [ "$actual" != "$integrity" ]; then
        echo "fetch-fonts: checksum mismatch for $spec: expected $integrity, got $actual" >&2
        exit 1
    fi
    path="$(tar -tzf "$work/$tarball" | grep -m1 "/$member\$" || true)"
    if [ -z "$path" ]; then
        echo "fetch-fonts: $spec holds no $member" >&2
        exit 1
    fi
    tar -xzf "$work/$tarball" -C "$work" "$path"
    cp "$work/$path" "$cache/$target.tmp"
    mv "$cache/$target.tmp" "$cache/$target"
done
