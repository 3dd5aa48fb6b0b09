#!/usr/bin/env bash
# Sanitizer runs of the test suite:
#   1. the whole suite built with AddressSanitizer + UndefinedBehaviorSanitizer into build-asan and run
#      by CTest (without the Ardour tests and the state fuzzer, which bring their own instrumentation,
#      and the package test, which packages the Release build);
#   2. the thread tests built with ThreadSanitizer into build-tsan and run.
# Exits non-zero on any failing test and on any sanitizer report.
# Usage: scripts/sanitize.sh [asan|tsan]   (both when no argument is given)
set -euo pipefail
cd "$(dirname "$0")/.."

jobs="${POMELU_JOBS:-2}"
what="${1:-all}"
# -O1 with line tables: quick to build on two cores, fast enough to run, reports with file:line.
opt_flags="${SANITIZE_OPT_FLAGS:--O1 -g1}"

configure() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Sanitize -DCMAKE_C_FLAGS_SANITIZE="$opt_flags" \
        -DCMAKE_CXX_FLAGS_SANITIZE="$opt_flags" -DPOMELU_BUILD_BENCHMARKS=OFF "$@" >/dev/null
}

run_asan() {
    echo "== AddressSanitizer + UndefinedBehaviorSanitizer: build-asan"
    configure build-asan -DPOMELU_SANITIZE=address
    cmake --build build-asan -j"$jobs"
    # Every report ends the process with an error, which fails its test.
    ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1" \
    UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan-suppressions.txt" \
        ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE "ardour|package" -E '^(Ardour|StateFuzzer)'
}

run_tsan() {
    echo "== ThreadSanitizer: build-tsan"
    configure build-tsan -DPOMELU_SANITIZE=thread -DPOMELU_BUILD_TOOLS=OFF
    cmake --build build-tsan -j"$jobs" --target pomelu_thread_tests
    TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" build-tsan/tests/threads/pomelu_thread_tests
}

case "$what" in
asan) run_asan ;;
tsan) run_tsan ;;
all)
    run_asan
    run_tsan
    ;;
*)
    echo "usage: $0 [asan|tsan]" >&2
    exit 2
    ;;
esac
echo "== sanitizers: no reports"
