#!/usr/bin/env bash
# Sets up, builds the Release tree, installs the plug-in for this user (~/.vst3) and renders the
# example voice with the "Podcast" preset, printing the loudness report.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
cmake --install build
mkdir -p out
# The editor as it looks after the example voice, drawn without a display.
build/tools/pomelu-snapshot out/editor.png --preset Podcast --audio examples/voice.wav
build/tools/pomelu-render examples/voice.wav out/voice-podcast.wav --preset Podcast
echo "main: rendered out/voice-podcast.wav"
