#!/usr/bin/env bash
# Real-window tests of the pointer under a virtual X display, read from the program's own
# --record file (every input message it handled, numbered by frame) and --trace file.
#
# usage: pointer_input.sh long-drag STEERING
#          1,500 agents with Debug, Vectors on (slow frames), then a six-second right drag:
#          the window must show intermediate views during the drag, and the release must be
#          handled within a frame or two of the frame running when it happened.
#        pointer_input.sh leave-window PROGRAM ldrag|rdrag
#          a drag that goes on over the menu strip and off the window: the program must see
#          no move outside its client area, so the last move it handles is the last one
#          made inside.
# With --measure, long-drag also prints the seconds from the release to the exit of the
# program when Escape is pressed right after the release (no check).
set -euo pipefail
[ -n "${POINTER_INPUT_DEBUG:-}" ] && set -x

if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/with_display.sh" "$0" "$@"
fi

measure=0
if [ "${1:-}" = "--measure" ]; then measure=1; shift; fi
mode="${1:?mode}"
program="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
button="${3:-rdrag}"
timeout=20

scratch="$(mktemp -d)"
record="$scratch/record.txt"
trace="$scratch/trace.csv"
log="$scratch/output.log"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "pointer_input: FAIL: $*" >&2
  cat "$log" >&2 || true
  exit 1
}
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

args=(--record "$record")
[ "$mode" = "long-drag" ] && args+=(--trace "$trace")
(cd "$(dirname "$program")" && exec "$program" "${args[@]}") >"$log" 2>&1 &
pid=$!

deadline=$((SECONDS + timeout))
window=""
while [ -z "$window" ]; do
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window appeared"
  [ $SECONDS -lt $deadline ] || fail "no window within ${timeout}s"
  window="$(xdotool search --onlyvisible --name '^Steering Test$' 2>/dev/null | head -n1 || true)"
  [ -n "$window" ] || sleep 0.1
done
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 0.3
# Window pixels: the client area starts 20 rows down, below the menu strip.
at() { xdotool mousemove --window "$window" "$1" "$2"; }
client_shot() { import -window "$window" "$1" 2>/dev/null && convert "$1" -crop 640x480+0+20 +repage "$1"; }

# The last complete frame the trace holds (the trace is written frame by frame).
frame_now() { [ -s "$trace" ] && tail -c 65536 "$trace" | tail -n 2 | head -n 1 | cut -d, -f1 || true; }

end_program() {
  xdotool key --clearmodifiers Escape
  local limit=$((SECONDS + 60))
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $limit ] || fail "the program did not exit within 60 s of Escape (frame $(frame_now))"
    sleep 0.05
  done
  set +e; wait "$pid"; local status=$?; set -e
  pid=""
  [ "$status" -eq 0 ] || fail "exit code $status"
}

case "$mode" in
  long-drag)
    xdotool key --clearmodifiers alt+d; sleep 0.2; xdotool key v   # Debug, Vectors
    # 1,500 agents at the insert point (the centre of the open cell nearest the map corner,
    # before any click), five per Insert; presses that arrive too close together
    # can merge, so press until the trace counts them.
    agents() { tail -c 262144 "$trace" 2>/dev/null | awk -F, '$2 + 0 > n { n = $2 + 0 } END { print n + 0 }'; }
    if [ "$measure" -eq 1 ] && ! grep -q -- --record "$program" 2>/dev/null; then
      xdotool key --delay 20 --repeat 300 Insert   # a program without --trace: no count
      sleep 5
    else
      # Each press costs the program a pass of its loop, so wait until the count stops
      # growing before pressing for the ones that were lost.
      previous=-1
      for wait in $(seq 1 120); do
        count="$(agents)"
        [ "$count" -ge 1500 ] && break
        if [ "$count" -eq "$previous" ]; then
          xdotool key --delay 20 --repeat $(( (1500 - count + 4) / 5 )) Insert
        fi
        previous="$count"
        sleep 1
      done
      [ "$(agents)" -ge 1500 ] || fail "the 1,500 agents did not appear"
    fi
    at 40 60; xdotool mousedown 3
    # Six seconds of pointer motion, 25 moves a second, across the client area.
    for i in $(seq 0 149); do
      at $((40 + i * 3)) $((60 + i * 2))
      [ "$i" -eq 50 ] && client_shot "$scratch/during-1.png"
      [ "$i" -eq 100 ] && client_shot "$scratch/during-2.png"
      sleep 0.04
    done
    released="$(frame_now)"
    start_ns="$(date +%s%N)"
    xdotool mouseup 3
    if [ "$measure" -eq 1 ]; then
      end_program
      echo "pointer_input: release to exit (Escape right after the release): $(( ($(date +%s%N) - start_ns) / 1000000 )) ms"
      [ -s "$record" ] || exit 0
    else
      sleep 2
      end_program
    fi
    handled="$(grep -m1 ' rup ' "$record" | cut -d' ' -f1 || true)"
    [ -n "$handled" ] || fail "the release was never handled"
    echo "pointer_input: released during frame $released, release handled before frame $handled"
    # The frame read from the trace lags the running one by what the trace has not flushed yet,
    # and ctest may run other tests beside this one; a backlog of queued moves costs one frame a
    # move, far more than this slack.
    [ "$handled" -le $((released + 8)) ] || fail "the release waited $((handled - released)) frames"
    moves="$(grep -c ' rdrag ' "$record" || true)"
    echo "pointer_input: $moves right-drag moves handled"
    if [ "$measure" -eq 0 ]; then
      [ "$(md5sum < "$scratch/during-1.png")" != "$(md5sum < "$scratch/during-2.png")" ] ||
        fail "the window showed the same view during the drag"
    fi
    ;;
  leave-window)
    case "$button" in
      ldrag) down=1 ;;
      rdrag) down=3 ;;
      *) fail "unknown drag $button" ;;
    esac
    at 300 220; xdotool mousedown "$down"
    at 300 160; sleep 0.2
    at 310 80; sleep 0.2                                  # the last move inside: client (310, 60)
    at 310 10; sleep 0.2                                  # over the menu strip
    xdotool mousemove 2000 2000 2>/dev/null || true; sleep 0.2   # off the window
    xdotool mouseup "$down"; sleep 0.3
    end_program
    last="$(grep " $button " "$record" | tail -n 1 | cut -d' ' -f2- || true)"
    echo "pointer_input: last move handled: $last"
    [ "$last" = "$button 310 60" ] || fail "expected the last move to be \"$button 310 60\""
    outside="$(awk -v b="$button" '$2 == b && ($3 >= 640 || $4 >= 480)' "$record")"
    [ -z "$outside" ] || fail "moves outside the client area were handled: $outside"
    ;;
  *) fail "unknown mode $mode" ;;
esac
echo "pointer_input: PASS"
