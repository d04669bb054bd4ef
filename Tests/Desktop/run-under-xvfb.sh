#!/usr/bin/env bash
# Runs a command on a private Xvfb display with the us,ru,ua keyboard layouts, then stops it.
set -euo pipefail
for number in $(seq 91 140); do
  [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ] || break
done
display=":${number}"
# -noreset: without it the server resets (and the keymap reverts) when the last client leaves.
Xvfb "$display" -screen 0 1024x768x24 -noreset -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X${number}" ] && break
  sleep 0.05
done
export DISPLAY="$display"
setxkbmap -layout us,ru,ua
"$@"
