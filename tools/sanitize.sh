#!/bin/sh
# The test suite once more, built with AddressSanitizer and
# UndefinedBehaviorSanitizer (core, applet and tests; the tests that start the
# applet start this sanitized one). Every sanitizer report, also one from an
# applet process whose output a test does not read, goes to a file in
# BUILD/reports; any such file fails the run.
#
#   tools/sanitize.sh [BUILD]      (default build-sanitize)
set -eu
build=${1:-build-sanitize}
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${JOBS:-$(nproc)}

if [ ! -f "$build/build.ninja" ]; then
    # -O1: the sanitized tests compile in half the time of -O2 and still run fast.
    cmake -S "$root" -B "$build" -G Ninja -DORVANE_SANITIZE=ON -DORVANE_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
fi
cmake --build "$build" -j "$jobs"

reports=$(cd "$build" && pwd)/reports
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="log_path=$reports/asan:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"

status=0
(cd "$build" && ctest --output-on-failure -j "$jobs") || status=1
if [ -n "$(ls -A "$reports")" ]; then
    echo "sanitizer reports:"
    for f in "$reports"/*; do
        echo "== $f"
        head -n 60 "$f"
    done
    status=1
fi
[ "$status" = 0 ] && echo "sanitized tests: all passed, no sanitizer report"
exit $status
