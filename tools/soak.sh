#!/bin/sh
# Long run of the applet on a private Xvfb under a steady stream of pointer
# input: drags (with and without Shift), zooms in and out, and the parameter
# pages opened, paged through and closed. Samples the applet's resident
# memory and CPU time from /proc and checks at the end that it still redraws,
# printed no X error and leaves with status 0 when its window is destroyed.
#
#   tools/soak.sh [-b BUILD] [-t SECONDS] [-o DIR] [--valgrind]
#
# -t   run time in seconds (default 600)
# -b   build directory holding the orvane binary (default build)
# -o   where the samples and logs go (default a fresh directory in /tmp)
# --valgrind  run the applet under valgrind's memcheck (give a shorter -t);
#      the log is DIR/valgrind.log
#
# Needs Xvfb, xdotool, xwd (x11-apps) and python3 (for destroying the window).
set -u

build=build
seconds=600
out=""
valgrind=0
while [ $# -gt 0 ]; do
    case "$1" in
    -b) build=$2; shift 2 ;;
    -t) seconds=$2; shift 2 ;;
    -o) out=$2; shift 2 ;;
    --valgrind) valgrind=1; shift ;;
    *) echo "usage: $0 [-b BUILD] [-t SECONDS] [-o DIR] [--valgrind]" >&2; exit 2 ;;
    esac
done
binary=$(cd "$build" && pwd)/orvane
[ -x "$binary" ] || { echo "no applet at $binary" >&2; exit 2; }
[ -n "$out" ] || out=$(mktemp -d /tmp/orvane-soak.XXXXXX)
mkdir -p "$out"

fail=0
note() { echo "soak: $*"; }
bad() { echo "soak: FAIL: $*"; fail=1; }

# A private server on a free display number, reported through -displayfd.
exec 9>"$out/displayfd"
Xvfb -displayfd 9 -nolisten tcp -noreset -screen 0 320x240x24 >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 9>&-
for _ in $(seq 100); do
    [ -s "$out/displayfd" ] && break
    sleep 0.1
done
DISPLAY=:$(head -n1 "$out/displayfd")
export DISPLAY
note "Xvfb $DISPLAY (pid $xvfb_pid), results in $out"

args="-delay 0 -accel 864000 -dlong 30 -mk sun -mk moon -mk 48.85 2.35"
if [ "$valgrind" = 1 ]; then
    # shellcheck disable=SC2086
    valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite,indirect \
        --errors-for-leak-kinds=definite --track-origins=yes --log-file="$out/valgrind.log" \
        "$binary" $args >"$out/stdout" 2>"$out/stderr" &
else
    # shellcheck disable=SC2086
    "$binary" $args >"$out/stdout" 2>"$out/stderr" &
fi
applet=$!

cleanup() {
    kill "$applet" 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT INT TERM

window=""
for _ in $(seq 600); do
    window=$(xdotool search --classname orvane 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { bad "no window appeared"; exit 1; }
note "applet pid $applet, window $window, args $args"

ticks=$(getconf CLK_TCK)
page_size=$(getconf PAGESIZE)
# The applet's pid under valgrind is valgrind's own (it execs the tool).
sample() {
    # resident kB and CPU ticks (user + system)
    rss=$(awk '{print $2}' "/proc/$applet/statm" 2>/dev/null)
    cpu=$(awk '{print $14 + $15}' "/proc/$applet/stat" 2>/dev/null)
    [ -n "$rss" ] || return 1
    echo "$(($(date +%s) - start)) $((rss * page_size / 1024)) $cpu" >>"$out/samples"
}

click() { # button x y
    xdotool mousemove --window "$window" "$2" "$3" click "$1"
    sleep 0.15
}
drag() { # seconds [shift]
    xdotool mousemove --window "$window" 54 40
    [ "${2:-}" = shift ] && xdotool keydown Shift_L
    xdotool mousedown 1
    sleep "$1"
    xdotool mouseup 1
    [ "${2:-}" = shift ] && xdotool keyup Shift_L
}
zoom() { # seconds [shift]
    xdotool mousemove --window "$window" 32 32
    [ "${2:-}" = shift ] && xdotool keydown Shift_L
    xdotool mousedown 2
    sleep "$1"
    xdotool mouseup 2
    [ "${2:-}" = shift ] && xdotool keyup Shift_L
}
pages() { # open, step a field, page through all seven, close
    click 3 32 32
    click 1 20 18   # a position field
    for _ in 1 2 3 4 5 6; do
        click 1 30 56 # next page
        click 1 20 20 # the upper value line, where there is one
        click 2 20 44 # the lower value line, stepped back
    done
    click 1 50 56   # close
}

: >"$out/samples"
start=$(date +%s)
round=0
while [ $(($(date +%s) - start)) -lt "$seconds" ]; do
    kill -0 "$applet" 2>/dev/null || { bad "the applet ended during the run"; break; }
    case $((round % 6)) in
    0) drag 0.6 ;;
    1) zoom 0.4 ;;
    2) drag 0.6 shift ;;
    3) zoom 0.4 shift ;;
    4) pages ;;
    5) click 3 32 32; sleep 7 ;; # pages left to their time-out
    esac
    round=$((round + 1))
    sample
    sleep 2
done
sample
rounds=$round

# Still answering: with the clock this fast every refresh shows a new
# picture, so two screenshots a second apart differ.
shot1=$(xwd -silent -id "$window" | md5sum)
sleep 1
shot2=$(xwd -silent -id "$window" | md5sum)
[ "$shot1" != "$shot2" ] || bad "the picture did not change: the applet does not answer"

if grep -q "X error" "$out/stderr" "$out/stdout"; then
    bad "an X error was printed"
fi

# Destroying the window ends the applet with status 0.
python3 - "$window" <<'EOF'
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
d = x.XOpenDisplay(None)
x.XDestroyWindow(ctypes.c_void_p(d), ctypes.c_ulong(int(sys.argv[1])))
x.XSync(ctypes.c_void_p(d), 0)
x.XCloseDisplay(ctypes.c_void_p(d))
EOF
status=""
for _ in $(seq 600); do
    kill -0 "$applet" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$applet" 2>/dev/null; then
    bad "the applet did not end after its window was destroyed"
else
    wait "$applet"
    status=$?
    [ "$status" = 0 ] || bad "exit status $status after the window was destroyed"
fi

# Memory after the first minute: first, lowest, highest and last sample.
awk -v ticks="$ticks" '
    { t[NR] = $1; rss[NR] = $2; cpu[NR] = $3 }
    END {
        for (i = 1; i <= NR && t[i] < 60; i++) {}
        if (i > NR) i = NR
        lo = hi = rss[i]
        for (j = i; j <= NR; j++) { if (rss[j] < lo) lo = rss[j]; if (rss[j] > hi) hi = rss[j] }
        printf "samples %d over %d s; RSS at %d s %d kB, last %d kB, growth %d kB, range after the first minute %d..%d kB\n",
            NR, t[NR], t[i], rss[i], rss[NR], rss[NR] - rss[i], lo, hi
        printf "CPU %.1f s in %d s (%.1f %%)\n", cpu[NR] / ticks, t[NR], 100 * cpu[NR] / ticks / (t[NR] ? t[NR] : 1)
    }' "$out/samples" | tee "$out/summary"
echo "rounds of input $rounds, exit status ${status:-none}" | tee -a "$out/summary"

if [ "$valgrind" = 1 ]; then
    grep -E "ERROR SUMMARY|definitely lost|indirectly lost|Invalid (read|write)" "$out/valgrind.log" |
        sed 's/^==[0-9]*== *//' | tee -a "$out/summary"
    grep -q "ERROR SUMMARY: 0 errors" "$out/valgrind.log" || bad "valgrind reported errors"
fi

[ "$fail" = 0 ] && note "held" || note "failed"
exit "$fail"
