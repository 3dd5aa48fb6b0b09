#!/usr/bin/env bash
# Speed: the engine's real-time factor and microseconds per 512-sample block at 48 kHz stereo, then
# the editor's full redraw at 1x and 2x and the CPU of an open, idle editor (under a private Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
build/bench/pomelu-bench-engine --benchmark_min_time="${MIN_TIME:-0.5}" "$@"
if [ -x build/bench/pomelu-bench-editor ]; then
    build/bench/pomelu-bench-editor --benchmark_min_time="${MIN_TIME:-0.5}"
fi
