#!/usr/bin/env bash
# Engine speed: real-time factor and microseconds per 512-sample block at 48 kHz stereo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
build/bench/pomelu-bench-engine --benchmark_min_time="${MIN_TIME:-0.5}" "$@"
