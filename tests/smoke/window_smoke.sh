#!/usr/bin/env bash
# Real-window smoke test: starts a program under a virtual X display, waits for its
# "Steering Test" window, performs the given actions, checks a screenshot, ends the program
# (Escape by default) and checks that it exits with code 0 in time.
#
# usage: window_smoke.sh [options] PROGRAM [ACTION ...]
# options:
#   --title TEXT         window title to wait for (default "Steering Test")
#   --workdir DIR        working directory of the program (default: the program's folder)
#   --timeout SECONDS    limit for the window to appear and for the exit (default 10)
#   --min-colours N      colours the client area must show in the final screenshot (default 3)
#   --screenshot FILE    where to keep the final screenshot (default: a temporary file)
#   --end escape|close|none  how the program is ended after the actions (default escape);
#                        "close" asks the window to close as a window manager's close button
#                        does (needs --close-tool); "none" when an action ends the program
#                        (for example the File, Exit menu item)
#   --close-tool PATH    the close_window helper built beside the tests (CMake passes it)
# actions (one argument each; X Y are window pixels, menu bar strip included, which is
# 20 pixels high above the 640 x 480 client area):
#   "click X Y"  "rclick X Y"  "drag X0 Y0 X1 Y1"  "move X Y"
#   "key NAME"   "keydown NAME"  "keyup NAME"   (xdotool key names: Escape, Insert, alt+d, ...)
#   "sleep SECONDS"
#   "expect TEXT"      wait until TEXT appears in the program's output
#   "expect-lines N TEXT"  wait until at least N output lines contain TEXT
#   "screenshot FILE"  save the window now
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/with_display.sh" "$0" "$@"
fi

title="Steering Test"
workdir=""
timeout=10
min_colours=3
final_shot=""
end_with="escape"
close_tool=""
while [ $# -gt 0 ]; do
  case "$1" in
    --title) title="$2"; shift 2 ;;
    --workdir) workdir="$2"; shift 2 ;;
    --timeout) timeout="$2"; shift 2 ;;
    --min-colours) min_colours="$2"; shift 2 ;;
    --screenshot) final_shot="$2"; shift 2 ;;
    --end) end_with="$2"; shift 2 ;;
    --close-tool) close_tool="$2"; shift 2 ;;
    --) shift; break ;;
    -*) echo "window_smoke: unknown option $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: window_smoke.sh [options] PROGRAM [ACTION ...]" >&2
  exit 2
fi
program="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
shift
[ -x "$program" ] || { echo "window_smoke: $program is not an executable" >&2; exit 2; }
[ -n "$workdir" ] || workdir="$(dirname "$program")"

scratch="$(mktemp -d)"
log="$scratch/output.log"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "window_smoke: FAIL: $*" >&2
  echo "---- program output ----" >&2
  cat "$log" >&2 || true
  exit 1
}

# Under the sanitizers, leak checking of a real-window run reports the X11 and GL libraries
# that SDL loads and unloads at run time (their frames cannot even be named once unloaded);
# the programs' own leaks are checked by their headless tests instead.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

(cd "$workdir" && exec "$program") >"$log" 2>&1 &
pid=$!

deadline=$((SECONDS + timeout))
window=""
while [ -z "$window" ]; do
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
  [ $SECONDS -lt $deadline ] || fail "no window titled \"$title\" within ${timeout}s"
  window="$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] || sleep 0.1
done
echo "window_smoke: window $window \"$title\" is up"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3

shoot() {
  import -window "$window" "$1" 2>/dev/null || fail "cannot take a screenshot of window $window"
}

for action in "$@"; do
  read -r verb a b c d <<<"$action"
  case "$verb" in
    click) xdotool mousemove --window "$window" "$a" "$b" click 1 ;;
    rclick) xdotool mousemove --window "$window" "$a" "$b" click 3 ;;
    move) xdotool mousemove --window "$window" "$a" "$b" ;;
    drag) xdotool mousemove --window "$window" "$a" "$b" mousedown 1 \
            mousemove --window "$window" "$c" "$d" mouseup 1 ;;
    key) xdotool key --clearmodifiers "$a" ;;
    keydown) xdotool keydown "$a" ;;
    keyup) xdotool keyup "$a" ;;
    sleep) sleep "$a" ;;
    expect)
      text="${action#expect }"
      until grep -qF -- "$text" "$log"; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended without printing \"$text\""
        [ $SECONDS -lt $deadline ] || fail "\"$text\" did not appear within ${timeout}s"
        sleep 0.1
      done ;;
    expect-lines)
      text="${action#expect-lines "$a" }"
      until [ "$(grep -cF -- "$text" "$log" || true)" -ge "$a" ]; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended before printing \"$text\" $a times"
        [ $SECONDS -lt $deadline ] || fail "\"$text\" did not appear $a times within ${timeout}s"
        sleep 0.1
      done ;;
    screenshot) shoot "$a" ;;
    *) fail "unknown action \"$action\"" ;;
  esac
  sleep 0.2
  deadline=$((SECONDS + timeout))
done

if [ "$end_with" != "none" ] || kill -0 "$pid" 2>/dev/null; then
  shot="${final_shot:-$scratch/final.png}"
  if kill -0 "$pid" 2>/dev/null; then
    shoot "$shot"
    # The client area lies below the 20-pixel menu bar strip.
    colours="$(convert "$shot" -crop 640x480+0+20 +repage -format %k info:)"
    echo "window_smoke: client area shows $colours colours"
    [ "$colours" -ge "$min_colours" ] || fail "client area shows $colours colours, expected at least $min_colours"
    bar="$(convert "$shot" -crop 1x1+1+1 +repage -format '%[hex:p{0,0}]' info:)"
    echo "window_smoke: menu bar pixel $bar"
  elif [ "$end_with" != "none" ]; then
    fail "the program ended before the final screenshot"
  fi
fi

case "$end_with" in
  escape) xdotool key --clearmodifiers Escape ;;
  close)
    [ -n "$close_tool" ] || fail "--end close needs --close-tool"
    "$close_tool" "$window" || fail "cannot ask window $window to close" ;;
  none) ;;
  *) fail "unknown --end $end_with" ;;
esac

deadline=$((SECONDS + timeout))
while kill -0 "$pid" 2>/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the program did not exit within ${timeout}s"
  sleep 0.1
done
set +e
wait "$pid"
status=$?
set -e
pid=""
[ "$status" -eq 0 ] || fail "exit code $status"
echo "window_smoke: PASS"
