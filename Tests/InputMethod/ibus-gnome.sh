#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The IBus engine on a headless GNOME Shell (Wayland, no X): the engine is the session's only input
# source, GNOME Shell hands the keys of GTK4 and GTK3 fields to IBus through Wayland's text-input,
# and keys are typed through Mutter's RemoteDesktop interface. Words typed in the wrong layout are
# corrected before the key that ended them; the engine types the layout it chose, follows the
# user's switch key and undoes; a password field is never touched; a line typed fast arrives whole
# and in order.
#
#   ibus-gnome.sh COMPONENT_FOLDER BUILD_FOLDER [CASE...]
#
# BUILD_FOLDER holds keyvane-field-gtk3, keyvane-field-gtk4 and keyvane-remote-typist. Without
# CASE, every quick case. KEYVANE_KEY_ORDER_RUNS sets the runs of the key-order cases (100). As
# root, the session runs as the user keyvane-test (see test-user.sh).
set -euo pipefail

all_cases=(gtk4 gtk3 return layout password-fast user-switch super-space undo key-order-10 key-order-20)
slow_cases=(key-order-10 key-order-20)

if (($# < 2)); then
  echo "usage: ibus-gnome.sh COMPONENT_FOLDER BUILD_FOLDER [CASE...]" >&2
  echo "cases: ${all_cases[*]}" >&2
  exit 2
fi
if [[ -z "${KEYVANE_GNOME_TEST_INSIDE:-}" ]]; then
  # shellcheck source=test-user.sh
  source "$(dirname "${BASH_SOURCE[0]}")/test-user.sh"
  as_test_user "$0" "$@"
  KEYVANE_GNOME_TEST_INSIDE=1 exec "${as_user[@]}" dbus-run-session -- "$0" "$@"
fi
components=$(cd "$1" && pwd)
bin=$(cd "$2" && pwd)
shift 2
# shellcheck source=client-waits.sh
source "$(dirname "${BASH_SOURCE[0]}")/client-waits.sh"
pick_cases "$@"
scratch_folder
private_home "$work"
printf '{"active_languages": ["en", "ru", "uk"], "debug_log": true}\n' >"$XDG_DATA_HOME/keyvane/user_preferences.json"
out=$work/client.out
client_pid=""
case=start

fail() {
  echo "ibus-gnome.sh: $case: $*" >&2
  echo "--- what the field showed:" >&2
  tail -n 5 "$out" >&2 2>/dev/null || true
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

# The settings every process of the session reads: Keyvane's engine is the only input source, and
# the user switches layouts with Alt+Shift.
export GSETTINGS_BACKEND=keyfile
gsettings set org.gnome.desktop.input-sources sources "[('ibus', 'keyvane')]"
gsettings set org.gnome.desktop.input-sources xkb-options "['grp:alt_shift_toggle']"
# The typist presses and releases a key at once, and GTK 4 sometimes repeats such a key in a field
# that takes keys without an input method (a password field) as if it were held.
gsettings set org.gnome.desktop.peripherals.keyboard repeat false
export IBUS_COMPONENT_PATH=$components:/usr/share/ibus/component

gnome-shell --headless --wayland --no-x11 --virtual-monitor 1024x768 >"$work/shell.log" 2>&1 &
pids+=($!)
end=$((SECONDS + 30))
until [[ -S "$XDG_RUNTIME_DIR/wayland-0" ]] && gdbus introspect --session --dest org.gnome.Mutter.RemoteDesktop \
  --object-path /org/gnome/Mutter/RemoteDesktop >/dev/null 2>&1; do
  ((SECONDS < end)) || fail "GNOME Shell did not start"
  sleep 0.2
done
export WAYLAND_DISPLAY=wayland-0 GDK_BACKEND=wayland
# The overview, shown once the session has started, would have its search field take the keys:
# it is closed as soon as it shows.
shell_says() {
  gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties."$1" org.gnome.Shell OverviewActive "${@:2}" 2>&1
}
end=$((SECONDS + 10))
until [[ "$(shell_says Get)" == "(<true>,)" ]] || ((SECONDS >= end)); do sleep 0.05; done
until [[ "$(shell_says Get)" == "(<false>,)" ]]; do
  ((SECONDS < end)) || fail "the overview stays: $(shell_says Set "<false>")"
  shell_says Set "<false>" >/dev/null
  sleep 0.1
done

# A remote-desktop session of Mutter's, to type real key codes with, kept by one process.
coproc typist { "$bin/keyvane-remote-typist" 2>"$work/typist.err"; }
pids+=("$typist_PID")
read -r -t 10 -u "${typist[0]}" answer || fail "the typist did not start: $(cat "$work/typist.err")"
[[ "$answer" == ready ]] || fail "the typist said \"$answer\""
# Bash keeps a coprocess's own descriptors from subshells (each case runs in one): copies of them.
exec {to_typist}>&"${typist[1]}" {from_typist}<&"${typist[0]}"

# Evdev key codes by name; "ctrl+F11" holds the first keys while it types the last.
declare -A code=([q]=16 [w]=17 [e]=18 [r]=19 [t]=20 [o]=24 [d]=32 [f]=33 [g]=34 [h]=35 [k]=37 [l]=38
  [x]=45 [c]=46 [v]=47 [b]=48 [n]=49 [space]=57 [Return]=28 [Escape]=1 [BackSpace]=14 [F11]=87
  [ctrl]=29 [shift]=42 [alt]=56 [super]=125)
gap=30 # ms after each key
# Types the keys in one go, $gap ms apart.
keys() {
  local key part parts line="@$gap" answer
  for key in "$@"; do
    IFS=+ read -ra parts <<<"$key"
    for part in "${parts[@]:0:${#parts[@]}-1}"; do line+=" +${code[$part]}"; done
    line+=" ${code[${parts[-1]}]}"
    for part in "${parts[@]:0:${#parts[@]}-1}"; do line+=" -${code[$part]}"; done
  done
  echo "$line" >&"$to_typist"
  read -r -t 60 -u "$from_typist" answer || fail "the typist did not answer"
}

# Mutter gives the focus to a new GTK 3 window (which asks for no activation) only once the user
# has typed something: a Shift, as a user's first key.
keys shift

# A field that has the keyboard focus (its first line, empty, tells); its lines go to $out.
open_field() {
  : >"$out"
  "$bin/keyvane-field-$1" "${@:2}" >"$out" 2>"$work/client.err" &
  client_pid=$!
  echo "$client_pid" >"$work/client.pid"
  expect_line ""
  # The field takes keys once it is drawn: a letter shows ("x", or "ч" on the Russian layout), and
  # goes again.
  local end=$((SECONDS + 10))
  until keys x && sleep 0.2 && [[ "$(last_line)" == [xч] ]]; do
    ((SECONDS < end)) || fail "the field never took a key"
    [[ "$(last_line)" == "" ]] || keys BackSpace
  done
  keys BackSpace
  expect_line ""
  to_english
}

close_field() {
  if [[ -s "$work/client.pid" ]]; then
    kill "$(cat "$work/client.pid")" 2>/dev/null || true
    rm -f "$work/client.pid"
  fi
}

# Each case begins on the English layout: the user's switch key goes round until it is.
to_english() {
  local marker=$XDG_RUNTIME_DIR/keyvane/input-method-host turns language end
  for turns in 1 2 3; do
    language=$(grep -m 1 "^language " "$marker" 2>/dev/null || true)
    [[ "$language" == "language ru" || "$language" == "language uk" ]] || return 0
    keys alt+shift
    end=$((SECONDS + 5))
    until [[ "$(grep -m 1 "^language " "$marker" 2>/dev/null)" != "$language" ]]; do
      ((SECONDS < end)) || fail "the switch key left the layout as it was"
      sleep 0.02
    done
  done
  host_says "language en"
}

case_gtk4() {
  open_field gtk4
  keys g h b d t n space v b h space
  expect_line "привет мир "
  host_says "language ru"
}

case_gtk3() {
  open_field gtk3
  keys g h b d t n space v b h space
  expect_line "привет мир "
}

# The word is corrected before Return reaches the field: the text Return sees is the corrected one.
case_return() {
  open_field gtk4
  keys g h b d t n space v b h Return
  expect_line "Return: привет мир"
}

# After a correction the engine types the layout it chose, and tells it.
case_layout() { check_layout_follows open_field gtk4; }

# GNOME Shell keeps a password field's keys from input methods: 20 words typed at 10 ms between
# keys stay as they were typed.
case_password-fast() { check_password_kept open_field gtk3 --password; }

# The user's own switch key (Alt+Shift, an XKB option GNOME keeps) goes to the next layout, and the
# engine types it.
case_user-switch() {
  open_field gtk4
  keys alt+shift
  host_says "language ru"
  keys g h b d t n space
  expect_line "привет "
}

# Super+Space as the welcome window gives it, with the user's consent, to the engine's layouts:
# GNOME's switch of input sources gives up the key, and an XKB option makes it switch layouts.
# Changed while the session runs, as the user's click does.
case_super-space() {
  open_field gtk4
  gsettings set org.gnome.desktop.input-sources xkb-options "['grp:win_space_toggle']"
  gsettings set org.gnome.desktop.wm.keybindings switch-input-source "['XF86Keyboard']"
  gsettings set org.gnome.desktop.wm.keybindings switch-input-source-backward "['<Shift>XF86Keyboard']"
  # GNOME Shell takes the change a moment later: until then the key is still its own.
  local end=$((SECONDS + 10)) marker=$XDG_RUNTIME_DIR/keyvane/input-method-host
  until grep -qx "language ru" "$marker"; do
    ((SECONDS < end)) || fail "Super+Space never reached the engine"
    keys super+space
    sleep 0.5
  done
  keys x
  expect_line "ч"
  keys super+space
  host_says "language uk"
  keys super+space
  host_says "language en"
  gsettings set org.gnome.desktop.input-sources xkb-options "['grp:alt_shift_toggle']"
}

case_undo() {
  open_field gtk4
  keys v b h space
  expect_line "мир "
  keys ctrl+F11
  expect_line "vbh "
}

# A line with four corrections typed fast, again and again: every key lands, in order.
case_key-order-10() { check_key_order 10 "gtk4 through GNOME Shell" open_field gtk4; }
case_key-order-20() { check_key_order 20 "gtk4 through GNOME Shell" open_field gtk4; }

begin_case() { :; }
end_case() { close_field; }
run_cases
