#!/usr/bin/env bash
# Starts a program on a virtual screen with a window manager, so its window
# can be looked at and driven by keys like a user's, and takes screenshots.
#   scripts/look.sh start PROGRAM [ARGS...]   starts the screen and the program
#   scripts/look.sh shot NAME.png             the whole screen as a PNG
#   scripts/look.sh keys KEY...               keys to the active window (xdotool names)
#   scripts/look.sh size W H | max           resizes or maximises the active window
#   scripts/look.sh stop                      ends the program and the screen
set -euo pipefail
caller="$(pwd)" # the program runs where look.sh was called
cd "$(dirname "$0")/.."
state=/tmp/velmora-look
mkdir -p "$state"
export DISPLAY=:77

case "${1:-}" in
  start)
    shift
    scripts/install-deps.sh --look
    Xvfb :77 -screen 0 1280x800x24 >"$state/xvfb.log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    openbox >"$state/openbox.log" 2>&1 &
    echo $! >"$state/openbox.pid"
    sleep 0.5
    (cd "$caller" && exec "$@") >"$state/program.log" 2>&1 &
    echo $! >"$state/program.pid"
    sleep 2
    ;;
  shot)
    import -window root "$2"
    ;;
  keys)
    shift
    xdotool getactivewindow key --delay 80 "$@"
    sleep 0.5
    ;;
  size)
    if [ "$2" = max ]; then
      wmctrl -r :ACTIVE: -b add,maximized_vert,maximized_horz
    else
      wmctrl -r :ACTIVE: -b remove,maximized_vert,maximized_horz
      xdotool getactivewindow windowsize "$2" "$3"
    fi
    sleep 0.5
    ;;
  stop)
    for name in program openbox xvfb; do
      [ -f "$state/$name.pid" ] && kill "$(cat "$state/$name.pid")" 2>/dev/null || true
      rm -f "$state/$name.pid"
    done
    ;;
  *)
    sed -n '2,9p' "$0"
    exit 2
    ;;
esac
