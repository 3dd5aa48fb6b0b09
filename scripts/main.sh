#!/usr/bin/env bash
# Sets up, builds the Release tree, installs the plug-in for this user (~/.vst3) and renders the
# example voice with the "Podcast" preset, printing the loudness report, and once more as an MP3
# ready for a podcast host (-16 LUFS, true peaks under -1 dBTP).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
cmake --install build
mkdir -p out
# The editor as it looks after the example voice, drawn without a display.
build/tools/pomelu-snapshot out/editor.png --preset Podcast --audio examples/voice.wav
build/tools/pomelu-render examples/voice.wav out/voice-podcast.wav --preset Podcast
build/tools/pomelu-render examples/voice.wav out/voice-podcast.mp3 --preset Podcast --target podcast --title "Example voice"
echo "main: rendered out/voice-podcast.wav and out/voice-podcast.mp3"
