#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The IBus engine on a headless GNOME Shell (Wayland, no X): the engine is the session's only input
# source, GNOME Shell hands a GTK4 field's keys to IBus through Wayland's text-input, and keys are
# typed through Mutter's RemoteDesktop interface. Words typed in the wrong layout are corrected. With
# KEYVANE_KEY_ORDER_RUNS=N, a line with four corrections is then typed N times at 10 ms between keys
# and must arrive whole and in order (a measurement for now: see the README on GNOME).
#
#   ibus-gnome.sh COMPONENT_FOLDER FIELD_GTK4
set -euo pipefail

if (($# != 2)); then
  echo "usage: ibus-gnome.sh COMPONENT_FOLDER FIELD_GTK4" >&2
  exit 2
fi
if [[ -z "${KEYVANE_GNOME_TEST_INSIDE:-}" ]]; then
  KEYVANE_GNOME_TEST_INSIDE=1 exec dbus-run-session -- "$0" "$@"
fi
components=$(cd "$1" && pwd)
field_gtk4=$2

# shellcheck source=client-waits.sh
source "$(dirname "${BASH_SOURCE[0]}")/client-waits.sh"
scratch_folder
private_home "$work"
printf '{"active_languages": ["en", "ru", "uk"], "debug_log": true}\n' >"$XDG_DATA_HOME/keyvane/user_preferences.json"
out=$work/client.out
client_pid=""

fail() {
  echo "ibus-gnome.sh: $*" >&2
  echo "--- what the field showed:" >&2
  cat "$out" >&2 2>/dev/null || true
  echo "--- gnome-shell:" >&2
  grep -v "^$" "$work/shell.log" | tail -n 15 >&2 2>/dev/null || true
  echo "--- the engine's log:" >&2
  tail -n 15 "$log" >&2 2>/dev/null || true
  exit 1
}

# A system bus of its own: GNOME Shell asks it for the session's services.
cat >"$work/system.conf" <<EOF
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/><allow own="*"/></policy>
</busconfig>
EOF
dbus-daemon --config-file="$work/system.conf" --nofork --nopidfile >"$work/system-bus.log" 2>&1 &
pids+=($!)
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system_bus_socket

# The settings every process of the session reads: Keyvane's engine is the only input source.
export GSETTINGS_BACKEND=keyfile
gsettings set org.gnome.desktop.input-sources sources "[('ibus', 'keyvane')]"
export IBUS_COMPONENT_PATH=$components:/usr/share/ibus/component

gnome-shell --headless --wayland --no-x11 --virtual-monitor 1024x768 >"$work/shell.log" 2>&1 &
pids+=($!)
end=$((SECONDS + 30))
until [[ -S "$XDG_RUNTIME_DIR/wayland-0" ]] && gdbus introspect --session --dest org.gnome.Mutter.RemoteDesktop \
  --object-path /org/gnome/Mutter/RemoteDesktop >/dev/null 2>&1; do
  ((SECONDS < end)) || fail "GNOME Shell did not start"
  sleep 0.2
done
export WAYLAND_DISPLAY=wayland-0

# A remote-desktop session of Mutter's, to type real key codes with, kept by one process.
coproc typist { "$(dirname "$field_gtk4")/keyvane-remote-typist" 2>"$work/typist.err"; }
pids+=("$typist_PID")
read -r -t 10 -u "${typist[0]}" answer || fail "the typist did not start: $(cat "$work/typist.err")"
[[ "$answer" == ready ]] || fail "the typist said \"$answer\""

# Evdev key codes by name.
declare -A code=([g]=34 [h]=35 [b]=48 [d]=32 [t]=20 [n]=49 [v]=47 [x]=45 [e]=18 [l]=38 [o]=24 [c]=46 [w]=17
  [r]=19 [space]=57 [Escape]=1 [BackSpace]=14)
gap=0.03
keys() {
  local key answer
  for key in "$@"; do
    echo "${code[$key]}" >&"${typist[1]}"
    read -r -t 10 -u "${typist[0]}" answer || fail "the typist did not answer"
    sleep "$gap"
  done
}

GDK_BACKEND=wayland "$field_gtk4" >"$out" 2>"$work/client.err" &
client_pid=$!
pids+=("$client_pid")
expect_line ""
keys Escape # the overview, shown at start, has its search field in front
# The field takes keys once the overview is gone: a letter shows, and goes again.
end=$((SECONDS + 10))
until keys x && sleep 0.2 && [[ "$(tail -n 1 "$out")" == x ]]; do
  ((SECONDS < end)) || fail "the field never took a key"
  [[ "$(tail -n 1 "$out")" == "" ]] || keys BackSpace
done
keys BackSpace
expect_line ""
keys g h b d t n space v b h space
expect_line "привет мир "
echo "ibus-gnome.sh: gtk4 through GNOME Shell passed"

# A line with four corrections typed fast, again and again: every key lands, in order.
runs=${KEYVANE_KEY_ORDER_RUNS:-0}
((runs > 0)) || exit 0
gap=0.01
expected="привет мир "
faults=0
for run in $(seq 1 "$runs"); do
  keys g h b d t n space h e l l o space n t c n space w o r l d space
  expected+="привет hello тест world "
  end=$((SECONDS + 10))
  until [[ "$(tail -n 1 "$out")" == "$expected" ]] || ((SECONDS >= end)); do sleep 0.02; done
  if [[ "$(tail -n 1 "$out")" != "$expected" ]]; then
    faults=$((faults + 1))
    echo "run $run: \"$(tail -n 1 "$out")\""
    expected=$(tail -n 1 "$out")
  fi
done
echo "key order, 10 ms between keys, gtk4 through GNOME Shell: $faults faults in $runs runs"
((faults == 0)) || fail "$faults of $runs runs lost or reordered keys"
