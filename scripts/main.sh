#!/usr/bin/env bash
# Sets up what the product needs, builds only the product (the VST 3 plug-in, the three tools and
# their manual pages; no tests, no benchmarks) into the Release tree, installs it for this user
# (~/.vst3, ~/.local/bin, ~/.local/share) and renders the example voice with the "Podcast" preset,
# printing the loudness report, and once more as an MP3 ready for a podcast host (-16 LUFS, true
# peaks under -1 dBTP).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --product
scripts/build.sh build -DPOMELU_BUILD_TESTS=OFF -DPOMELU_BUILD_BENCHMARKS=OFF
cmake --install build
mkdir -p out
# The editor while the example voice speaks, drawn without a display.
build/tools/pomelu-snapshot out/editor.png --preset Podcast --audio examples/voice.wav --at 4
build/tools/pomelu-render examples/voice.wav out/voice-podcast.wav --preset Podcast
build/tools/pomelu-render examples/voice.wav out/voice-podcast.mp3 --preset Podcast --target podcast --title "Example voice"
echo "main: rendered out/voice-podcast.wav and out/voice-podcast.mp3"
