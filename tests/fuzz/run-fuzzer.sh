#!/usr/bin/env bash
# Builds the state fuzzer with clang 14 (libFuzzer, ASan, UBSan) in its own tree and runs it for a
# bounded time over a copy of the seed corpus. Usage: run-fuzzer.sh SOURCE_DIR BUILD_DIR CORPUS SECONDS
set -euo pipefail
src="$1" build="$2" corpus="$3" seconds="$4"

if ! command -v clang++-14 >/dev/null; then
    echo "clang++-14 is not installed: skipping the fuzz run"
    exit 77
fi

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DPOMELU_FUZZ=ON \
    -DPOMELU_BUILD_TESTS=OFF -DPOMELU_BUILD_BENCHMARKS=OFF -DPOMELU_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" -j2 --target pomelu_state_fuzzer >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$corpus"/* "$work"/
cd "$work"
"$build/tests/fuzz/pomelu_state_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
    -close_fd_mask=1 "$work" 2>&1 | tail -n 12
