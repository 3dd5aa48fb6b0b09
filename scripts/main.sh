#!/usr/bin/env bash
# Sets up, builds the Release tree and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
build/bench/pomelu-bench-engine --benchmark_min_time=0.2
