#!/bin/sh
# Builds the libFuzzer targets (tests/fuzz) with clang in their own build
# directory and runs each for a set time on its seed corpus.
#
#   tools/fuzz.sh [-t SECONDS] [-b BUILD] [-s SEED] [TARGET...]
#
# -t  seconds per target (default 300; CI uses 30)
# -b  build directory (default build-fuzz)
# -s  libFuzzer's random seed (default: a new one each run; the test run
#     fixes it, so that the same start is explored every time)
# TARGET  any of cmdline angle map text (default all)
#
# The corpus each run grows is kept in BUILD/corpus/TARGET (the committed
# seeds in tests/fuzz/corpus/TARGET are only read); a crashing input is
# written to BUILD/artifacts/TARGET/ and ends the script with status 1.
# Keep such an input in tests/fuzz/regressions/TARGET/ once it is fixed:
# test_fuzz_regressions replays that folder in every test run.
set -eu

seconds=300
build=build-fuzz
seed=
while [ $# -gt 0 ]; do
    case "$1" in
    -t) seconds=$2; shift 2 ;;
    -b) build=$2; shift 2 ;;
    -s) seed="-seed=$2"; shift 2 ;;
    -*) echo "usage: $0 [-t SECONDS] [-b BUILD] [-s SEED] [TARGET...]" >&2; exit 2 ;;
    *) break ;;
    esac
done
targets=${*:-cmdline angle map text}
root=$(cd "$(dirname "$0")/.." && pwd)

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang-14 \
        -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
fi
cmake --build "$build" -j 2 >/dev/null

# Leaks inside the image and X libraries are theirs; the file says which.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$root/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
for t in $targets; do
    mkdir -p "$build/corpus/$t" "$build/artifacts/$t"
    log="$build/fuzz-$t.log"
    # The map target's seeds are whole image files in several formats whose
    # decoders are not instrumented: keep them all as starting points.
    # libpng fills a buffer of the length a chunk claims (up to 2 GB) before
    # it finds the file too short, so the map target needs more room than
    # libFuzzer's default 2 GB; the machine has it, and the limit still
    # catches memory that grows without end.
    if "$build/fuzz_$t" -max_total_time="$seconds" $seed -timeout=30 -rss_limit_mb=6144 \
        -close_fd_mask=3 -keep_seed=1 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$t/" \
        "$build/corpus/$t" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        corpus=$(find "$build/corpus/$t" -type f | wc -l)
        echo "fuzz: $t: $runs runs in $seconds s, grown corpus $corpus inputs, no failure"
    else
        echo "fuzz: $t FAILED; log $log, input in $build/artifacts/$t/:"
        grep -E "ERROR|runtime error|broken promise|SUMMARY|Test unit written|^ *#[0-9]+ |leak of" "$log" | head -n 40
        status=1
    fi
done
exit $status
