#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a finished word costs the live program in system calls, on a private Xvfb display: strace
# counts the calls of all its threads while a typist types WORD and a space 100 times into xterm
# (xdotool, 20 ms between keys), and, for comparison, while nothing is typed for as long. Requests
# to the X server are written with writev; files are opened with openat or looked at with access.
#   Benchmarks/word-path-syscalls.sh [WORD=hello]
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" != "--inside" ]]; then
  exec Tests/Desktop/run-under-xvfb.sh "$0" --inside "$@"
fi
shift
word=${1:-hello}
keyvane=build/Sources/Keyvane/keyvane

home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/.local/share/keyvane" "$home/.config/Keyvane"
echo '{"active_languages": ["en", "ru", "uk"]}' >"$home/.local/share/keyvane/user_preferences.json"
printf '[Onboarding]\nwelcomed=true\n' >"$home/.config/Keyvane/Keyvane.conf"
xterm -class XTerm -e sh -c 'cat >/dev/null' &
until xdotool search --onlyvisible --class XTerm windowfocus --sync 2>/dev/null; do sleep 0.1; done
out="$home/out.txt"
HOME="$home" "$keyvane" >"$out" 2>&1 &
pid=$!
until grep -q "Keyvane is running" "$out" 2>/dev/null; do sleep 0.05; done
sleep 2

# Counts the calls made while "$@" runs: "name count" lines.
count() {
  strace -f -c -p "$pid" -o "$home/strace.txt" 2>/dev/null &
  local tracer=$!
  sleep 1
  "$@"
  kill -INT "$tracer"
  wait "$tracer" || true
  awk '$1 ~ /^[0-9.]+$/ && NF >= 5 {print $NF, $4}' "$home/strace.txt" | sort -u
}
type100() {
  local started=$SECONDS
  for _ in $(seq 1 100); do xdotool type --delay 20 "$word "; done
  echo $((SECONDS - started)) >"$home/seconds"
}
typing=$(count type100)
seconds=$(cat "$home/seconds")
idle=$(count sleep "$seconds")
for call in writev openat access recvmsg poll; do
  printf '%-8s typing 100 words: %5s   idle %2s s: %5s\n' "$call" \
    "$(awk -v c="$call" '$1 == c {print $2}' <<<"$typing")" "$seconds" \
    "$(awk -v c="$call" '$1 == c {print $2}' <<<"$idle")"
done
