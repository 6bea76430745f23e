#!/usr/bin/env bash
# Runs a command under its own virtual X display and returns the command's exit status.
# Xvfb picks a free display number itself and reports it on -displayfd once it accepts
# connections, so tests started together never race for a number and no program starts
# before its server is ready. -noreset: by default an X server resets whenever its last
# client leaves and drops the connections that arrive meanwhile; the tests' xdotool calls
# come and go while the program connects, and without it the program sometimes finds no
# display.
#
# usage: with_display.sh COMMAND [ARG ...]
set -uo pipefail

scratch="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
cleanup() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 143' TERM INT

number=""
for _ in $(seq 1 200); do   # up to 10 s on a loaded machine
  number="$(head -n 1 "$scratch/display" 2>/dev/null || true)"
  [ -n "$number" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -z "$number" ]; then
  echo "with_display: Xvfb did not start" >&2
  cat "$scratch/xvfb.log" >&2
  exit 1
fi

DISPLAY=":$number" "$@"
