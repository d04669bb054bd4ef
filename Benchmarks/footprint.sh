#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the live program costs beside everything else, on a private Xvfb display with the us,ru,ua
# layouts: time from start to observing keys, resident memory after start, CPU time and wake-ups
# (context switches of all its threads) while idle and while a typist types "ghbdtn " at 10 keys
# a second into xterm, and resident memory after a run of fast typing; then the developer command
# line's peak memory for one word.
#   Benchmarks/footprint.sh [idle seconds=60] [typing seconds=60] [fast words=1000]
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ "${1:-}" != "--inside" ]]; then
  exec Tests/Desktop/run-under-xvfb.sh "$0" --inside "$@"
fi
shift
idle=${1:-60}
typing=${2:-60}
fast=${3:-1000}
keyvane=build/Sources/Keyvane/keyvane
typist=build/Tests/Desktop/KeyvaneDesktopTests

home=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
mkdir -p "$home/.local/share/keyvane"
echo '{"active_languages": ["en", "ru", "uk"]}' >"$home/.local/share/keyvane/user_preferences.json"
# A returning user: the welcome window of the first start was shown before.
mkdir -p "$home/.config/Keyvane"
printf '[Onboarding]\nwelcomed=true\n' >"$home/.config/Keyvane/Keyvane.conf"

xterm -class XTerm -e sh -c 'cat >/dev/null' &
until xdotool search --onlyvisible --class XTerm windowfocus --sync 2>/dev/null; do sleep 0.1; done

out="$home/out.txt"
start=$(date +%s%N)
HOME="$home" "$keyvane" >"$out" 2>&1 &
pid=$!
until grep -q "Keyvane is running" "$out" 2>/dev/null; do sleep 0.005; done
ready=$((($(date +%s%N) - start) / 1000000))
sleep 2

rss() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$pid/status"; }
switches() { cat /proc/"$pid"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
cpuTicks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
ticksPerSecond=$(getconf CLK_TCK)

startRss=$(rss)
s0=$(switches); c0=$(cpuTicks)
sleep "$idle"
s1=$(switches); c1=$(cpuTicks)
"$typist" --typist $((typing * 10 / 7)) 100 &
typistPid=$!
wait "$typistPid"
s2=$(switches); c2=$(cpuTicks)
"$typist" --typist "$fast" 20
sleep 2
afterRss=$(rss)
kill "$pid"; wait "$pid" 2>/dev/null || true

cliPeak=$( { /usr/bin/time -f "%M" "$keyvane" -input ghbdtn >/dev/null; } 2>&1 | tail -1)

rate() { awk -v n="$1" -v s="$2" 'BEGIN {printf "%.2f", n / s}'; }
cpuMs() { awk -v t="$1" -v hz="$ticksPerSecond" 'BEGIN {printf "%d", t * 1000 / hz}'; }
printf "%-44s %s\n" "start to observing keys" "$ready ms"
printf "%-44s %s\n" "resident after start" "$startRss MB"
printf "%-44s %s\n" "idle ${idle} s: wake-ups per second" "$(rate $((s1 - s0)) "$idle")"
printf "%-44s %s\n" "idle ${idle} s: CPU time" "$(cpuMs $((c1 - c0))) ms"
printf "%-44s %s\n" "typing ${typing} s at 10 keys/s: wake-ups/s" "$(rate $((s2 - s1)) "$typing")"
printf "%-44s %s\n" "typing ${typing} s at 10 keys/s: CPU time" "$(cpuMs $((c2 - c1))) ms"
printf "%-44s %s\n" "resident after $fast more fast words" "$afterRss MB"
printf "%-44s %s\n" "command line, -input one word: peak" "$(awk -v k="$cliPeak" 'BEGIN {printf "%.1f", k / 1024}') MB"
