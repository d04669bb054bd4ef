#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private Xvfb display with the us,ru,ua keyboard layouts and a private session
# bus, then stops them.
set -euo pipefail
displayfile=$(mktemp)
# -displayfd: the server picks a display number that no other server uses (its lock file and its
# socket, abstract ones included) and reports it. -noreset: otherwise the server resets, and the
# keymap reverts, when the last client leaves.
Xvfb -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; rm -f "$displayfile"' EXIT
for _ in $(seq 1 200); do
  [ -s "$displayfile" ] && break
  sleep 0.05
done
number=$(tr -dc '0-9' <"$displayfile")
if [ -z "$number" ]; then
  echo "Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":${number}"
setxkbmap -layout us,ru,ua
# A session bus of its own, where the accessibility bus is started on demand. The desktop settings
# it keeps (the accessibility switch among them) stay in memory, away from the user's own.
export GSETTINGS_BACKEND=memory
if command -v dbus-run-session >/dev/null; then
  dbus-run-session -- "$@"
else
  "$@"
fi
