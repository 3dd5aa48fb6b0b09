#!/usr/bin/env bash
# Sets up, builds and runs every test: the sanitizer builds first (ASan+UBSan over the whole suite,
# TSan over the thread tests), then the Release suite with the state fuzzer and the Ardour host tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/sanitize.sh
scripts/build.sh build -DPOMELU_BUILD_TESTS=ON -DPOMELU_BUILD_BENCHMARKS=ON
ctest --test-dir build --output-on-failure -j2
