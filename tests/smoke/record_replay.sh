#!/usr/bin/env bash
# A real window's session replays headless to the same agents, frame by frame: the program
# runs under a virtual X display with --record and --trace while xdotool plays a person
# (clicks, drags, keys), then steering_headless replays the recording with --trace, and
# the two traces are compared row by row.
#
# usage: record_replay.sh PROGRAM HEADLESS_DRIVER [ACTION ...]
# actions as window_smoke.sh's: "click X Y" "rclick X Y" "drag X0 Y0 X1 Y1" "key NAME"
# "sleep SECONDS" (X Y are window pixels, the 20-pixel menu bar included).
set -euo pipefail

if [ -z "${DISPLAY:-}" ]; then
  exec "$(dirname "$0")/with_display.sh" "$0" "$@"
fi

program="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
driver="$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
shift 2
name="$(basename "$program")"
workdir="$(dirname "$program")"   # where maptest.raw is
timeout=20

scratch="$(mktemp -d)"
pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() {
  echo "record_replay: FAIL: $*" >&2
  for f in "$scratch"/output.log "$scratch"/session.txt; do
    [ -f "$f" ] && { echo "---- $f ----" >&2; tail -n 40 "$f" >&2; }
  done
  exit 1
}
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

(cd "$workdir" && exec "$program" --record "$scratch/session.txt" --trace "$scratch/live.csv") \
  >"$scratch/output.log" 2>&1 &
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

for action in "$@"; do
  read -r verb a b c d <<<"$action"
  case "$verb" in
    click) xdotool mousemove --window "$window" "$a" "$b" click 1 ;;
    rclick) xdotool mousemove --window "$window" "$a" "$b" click 3 ;;
    drag) xdotool mousemove --window "$window" "$a" "$b" mousedown 1 sleep 0.1 \
            mousemove --window "$window" $(( (a + c) / 2 )) $(( (b + d) / 2 )) sleep 0.1 \
            mousemove --window "$window" "$c" "$d" sleep 0.1 mouseup 1 ;;
    rdrag) xdotool mousemove --window "$window" "$a" "$b" mousedown 3 sleep 0.1 \
            mousemove --window "$window" "$c" "$d" sleep 0.1 mouseup 3 ;;
    key) xdotool key --clearmodifiers "$a" ;;
    sleep) sleep "$a" ;;
    *) fail "unknown action \"$action\"" ;;
  esac
  sleep 0.2
done
sleep 0.5
xdotool key --clearmodifiers Escape
deadline=$((SECONDS + timeout))
while kill -0 "$pid" 2>/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the program did not exit within ${timeout}s"
  sleep 0.1
done
set +e; wait "$pid"; status=$?; set -e; pid=""
[ "$status" -eq 0 ] || fail "exit code $status"

grep -q ' keyup Escape$' "$scratch/session.txt" || fail "the recording lacks the Escape that ended the session"
live_frames="$(grep -v '^#' "$scratch/live.csv" | tail -n1 | cut -d, -f1)"
[ "${live_frames:-0}" -gt 10 ] || fail "the live run traced only ${live_frames:-0} frames"

"$driver" "$name" --input "$scratch/session.txt" --trace "$scratch/replay.csv" --frames 1000000 \
  --workdir "$workdir" >"$scratch/replay.log" 2>&1 || fail "the replay failed: $(cat "$scratch/replay.log")"
replay_frames="$(grep -v '^#' "$scratch/replay.csv" | tail -n1 | cut -d, -f1)"

# The live loop may still finish the frame during which Escape arrived; the replay stops
# before it. Every frame both ran must match exactly.
common=$(( live_frames < replay_frames ? live_frames : replay_frames ))
[ $(( live_frames - common )) -le 1 ] && [ $(( replay_frames - common )) -le 1 ] ||
  fail "live run has $live_frames frames, replay $replay_frames"
keep() { awk -F, -v last="$common" '!/^#/ && (NR == 1 || $1 <= last)' "$1"; }
keep "$scratch/live.csv" >"$scratch/live.common"
keep "$scratch/replay.csv" >"$scratch/replay.common"
if ! cmp -s "$scratch/live.common" "$scratch/replay.common"; then
  diff "$scratch/live.common" "$scratch/replay.common" | head -n 10 >&2
  fail "the traces differ (first differences above)"
fi
rows=$(( $(wc -l <"$scratch/live.common") - 1 ))
events=$(grep -vc '^#' "$scratch/session.txt" || true)
kinds="$(grep -v '^#' "$scratch/session.txt" | awk '{print $2}' | sort | uniq -c | awk '{printf "%s %s, ", $1, $2}')"
echo "record_replay: PASS: $name, $events recorded messages (${kinds%, }), $common frames, $rows trace rows identical"
