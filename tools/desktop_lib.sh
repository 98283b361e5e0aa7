# Shell helpers for the tools that show the applet in a real window manager
# on a private Xvfb. Source it. Every process a tool starts is stopped by
# its process id: stop_pid, or stop_all for the ones named in STOP_PIDS.

# start_xvfb WORK_DIR SIZE: Xvfb on a free display (XVFB is its pid; DISPLAY
# is set and exported).
start_xvfb() {
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$2" 3>"$1/display" >/dev/null 2>&1 &
  XVFB=$!
  STOP_PIDS="$XVFB${STOP_PIDS:+ $STOP_PIDS}"
  for _ in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  [ -s "$1/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  DISPLAY=":$(head -n1 "$1/display")"
  export DISPLAY
}

# running PID: the process exists and is no zombie.
running() {
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -c1)
  [ -n "$state" ] && [ "$state" != Z ]
}

# stop_pid PID: SIGTERM, up to five seconds to go, then SIGKILL. A child of
# this shell is reaped.
stop_pid() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null || true
  for _ in $(seq 50); do running "$1" || break; sleep 0.1; done
  running "$1" && kill -9 "$1" 2>/dev/null
  wait "$1" 2>/dev/null || true
}

# stop_all: every pid in STOP_PIDS, in that order (the last started first
# when each start prepends its pid).
stop_all() {
  for pid in $STOP_PIDS; do stop_pid "$pid"; done
  STOP_PIDS=""
}

# children_running PARENT BINARY: the pids of PARENT's children that run BINARY.
children_running() {
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    [ "$(readlink "/proc/$child/exe" 2>/dev/null)" = "$2" ] && echo "$child"
  done
  return 0
}

# wait_for_wm: until a window manager runs (its check window names itself).
wait_for_wm() {
  for _ in $(seq 100); do
    check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # *\(0x[0-9a-f]*\).*/\1/p')
    if [ -n "$check" ] && xprop -id "$check" _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "$check"; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# wait_for_docked_icon: waits until a window manager has taken the applet's
# icon window out of its main window and mapped it, and the icon window has
# stopped moving (Window Maker bounces a freshly started application's
# tile); prints its id, or fails.
wait_for_docked_icon() {
  root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
  icon=""
  for _ in $(seq 150); do
    main=$(xdotool search --classname orvane 2>/dev/null | head -n1 || true)
    if [ -n "$main" ]; then
      icon=$(xprop -id "$main" WM_HINTS 2>/dev/null | sed -n 's/.*window id # to use for icon: *\(0x[0-9a-f]*\).*/\1/p')
      parent=""
      [ -n "$icon" ] && parent=$(xwininfo -children -id "$icon" 2>/dev/null | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
      if [ -n "$parent" ] && [ "$parent" != "$root" ] && [ "$((parent))" != "$((main))" ] &&
        xwininfo -id "$icon" 2>/dev/null | grep -q IsViewable; then
        break
      fi
    fi
    icon=""
    sleep 0.1
  done
  [ -n "$icon" ] || return 1
  last=""
  same=0
  for _ in $(seq 100); do
    place=$(xwininfo -id "$icon" | sed -n 's/.*Absolute upper-left [XY]: *//p' | tr '\n' ' ')
    if [ "$place" = "$last" ]; then
      same=$((same + 1))
      [ "$same" -ge 5 ] && break
    else
      same=0
      last=$place
    fi
    sleep 0.1
  done
  echo "$icon"
}

# geometry WINDOW: "x y width height" of the window's outside on the root.
geometry() {
  xwininfo -id "$1" | awk '
    /Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 }
    END { print x - b, y - b, w + 2 * b, h + 2 * b }'
}

# corner_shot OUT_PNG X Y WIDTH HEIGHT: that part of the screen, twice
# enlarged pixel for pixel.
corner_shot() {
  import -window root -crop "$4x$5+$2+$3" +repage "$1.tmp.png"
  convert "$1.tmp.png" -filter point -resize 200% "$1"
  rm -f "$1.tmp.png"
}
