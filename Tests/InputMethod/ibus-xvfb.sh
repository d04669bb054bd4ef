#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The IBus engine on a private Xvfb display: ibus-daemon runs the engine from the build tree as
# the input source, and keys typed through XTest reach a GTK3 field through IBus's GTK module, a
# Qt 6 field through Qt's IBus plugin and xterm through IBus's XIM bridge. Words typed in the wrong
# layout are corrected before the key that ended them; the engine types the layout it chose (and
# the user's variant of it), follows the user's switch key and undoes; a password field is never
# touched; a line typed fast arrives whole and in order.
#
#   ibus-xvfb.sh COMPONENT_FOLDER FIELD_GTK3 [CASE...]
#
# Without CASE, every quick case. KEYVANE_KEY_ORDER_RUNS sets the runs of the key-order cases (100).
# As root, the test runs as the user keyvane-test (see test-user.sh).
set -euo pipefail

all_cases=(gtk3 qt6 xterm-return layout layout-variant password-fast user-switch undo excluded-application
  key-order-10 key-order-20)
slow_cases=(key-order-10 key-order-20)

if (($# < 2)); then
  echo "usage: ibus-xvfb.sh COMPONENT_FOLDER FIELD_GTK3 [CASE...]" >&2
  echo "cases: ${all_cases[*]}" >&2
  exit 2
fi
if [[ -z "${KEYVANE_IBUS_TEST_INSIDE:-}" ]]; then
  # A session bus of its own, gone with the test; as root, the user keyvane-test's.
  # shellcheck source=test-user.sh
  source "$(dirname "${BASH_SOURCE[0]}")/test-user.sh"
  as_test_user "$0" "$@"
  KEYVANE_IBUS_TEST_INSIDE=1 exec "${as_user[@]}" dbus-run-session -- "$0" "$@"
fi
components=$(cd "$1" && pwd)
field_gtk3=$2
shift 2
# shellcheck source=client-waits.sh
source "$(dirname "${BASH_SOURCE[0]}")/client-waits.sh"
pick_cases "$@"
scratch_folder
private_home "$work"

# A free display.
display=""
for n in $(seq 150 199); do
  if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then
    display=:$n
    break
  fi
done
[[ -n "$display" ]] || { echo "ibus-xvfb.sh: no free display" >&2; exit 1; }
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display GSETTINGS_BACKEND=keyfile
end=$((SECONDS + 10))
until xdpyinfo >/dev/null 2>&1; do
  ((SECONDS < end)) || { echo "ibus-xvfb.sh: Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
setxkbmap us

out=$work/client.out
client_pid=""

fail() {
  echo "ibus-xvfb.sh: $case: $*" >&2
  echo "--- what the client showed:" >&2
  tail -n 5 "$out" >&2 2>/dev/null || true
  echo "--- ibus-daemon:" >&2
  tail -n 10 "$work/ibus.log" >&2 2>/dev/null || true
  echo "--- the engine's log:" >&2
  tail -n 15 "$log" >&2 2>/dev/null || true
  exit 1
}


# Keys by their X names, a gap of $gap ms between them.
gap=30
keys() {
  xdotool key --clearmodifiers --delay "$gap" "$@"
}

# A daemon for each case, so that each begins on the English layout with nothing typed.
start_daemon() {
  local excluded=""
  [[ "$case" != excluded-application ]] || excluded=', "excluded_apps": {"keyvane-field-gtk3": {"name": "Field"}}'
  printf '{"active_languages": ["en", "ru", "uk"], "debug_log": true%s}\n' "$excluded" \
    >"$XDG_DATA_HOME/keyvane/user_preferences.json"
  # The user's layouts as GNOME lists them, which the engine reads when it starts.
  local sources="[('xkb', 'us'), ('xkb', 'ru'), ('xkb', 'ua')]"
  [[ "$case" != layout-variant ]] || sources="[('xkb', 'us'), ('xkb', 'ru+phonetic')]"
  gsettings set org.gnome.desktop.input-sources sources "$sources"
  IBUS_COMPONENT_PATH=$components:/usr/share/ibus/component ibus-daemon --xim --panel=disable \
    --replace --verbose >"$work/ibus.log" 2>&1 &
  daemon_pid=$!
  local end=$((SECONDS + 20))
  until ibus list-engine 2>/dev/null | grep -q "keyvane "; do
    ((SECONDS < end)) || { case=start; fail "ibus-daemon does not list the engine"; }
    sleep 0.1
  done
  until ibus engine keyvane >/dev/null 2>&1; do
    ((SECONDS < end)) || { case=start; fail "the engine cannot be made the input source"; }
    sleep 0.1
  done
}

stop_daemon() {
  ibus exit >/dev/null 2>&1 || true
  kill "$daemon_pid" 2>/dev/null || true
  wait "$daemon_pid" 2>/dev/null || true
  pkill -f ibus-engine-keyvane 2>/dev/null || true
}

# Starts a client whose window takes the keyboard focus; its lines go to $out.
open_gtk3() {
  : >"$out"
  GTK_IM_MODULE=ibus GDK_BACKEND=x11 "$field_gtk3" "$@" >"$out" 2>"$work/client.err" &
  client_pid=$!
  echo "$client_pid" >"$work/client.pid"
  focus_client
  expect_line ""
}

# Qt 6 through Qt's own IBus plugin, which talks to ibus-daemon over D-Bus: as Qt programs do on
# GNOME, on Wayland too.
open_qt6() {
  : >"$out"
  QT_IM_MODULE=ibus QT_QPA_PLATFORM=xcb "$(dirname "$field_gtk3")/keyvane-field-qt6" >"$out" 2>"$work/client.err" &
  client_pid=$!
  echo "$client_pid" >"$work/client.pid"
  focus_client
  expect_line ""
}

open_xterm() {
  : >"$out"
  XMODIFIERS=@im=ibus LC_CTYPE=C.UTF-8 xterm -xrm 'XTerm*inputMethod: ibus' -e sh -c "cat >'$out'" \
    2>"$work/client.err" &
  client_pid=$!
  echo "$client_pid" >"$work/client.pid"
  focus_client
}

focus_client() {
  local end=$((SECONDS + 10)) window=""
  until window=$(xdotool search --onlyvisible --pid "$client_pid" 2>/dev/null | head -n 1) && [[ -n "$window" ]]; do
    ((SECONDS < end)) || fail "the client shows no window"
    sleep 0.05
  done
  xdotool windowfocus --sync "$window"
}

close_client() {
  if [[ -s "$work/client.pid" ]]; then
    kill "$(cat "$work/client.pid")" 2>/dev/null || true
    rm -f "$work/client.pid"
  fi
}

case_gtk3() {
  open_gtk3
  keys g h b d t n space v b h space
  expect_line "привет мир "
  host_says "language ru"
}

case_qt6() {
  open_qt6
  keys g h b d t n space v b h space
  expect_line "привет мир "
  keys c k j d j space # typed on the Russian layout now: "слово"
  expect_line "привет мир слово "
}

# The word is corrected before Return reaches the terminal: the line read is the corrected one.
case_xterm-return() {
  open_xterm
  keys g h b d t n space v b h Return
  local end=$((SECONDS + 10))
  until [[ "$(cat "$out")" == "привет мир" ]]; do
    ((SECONDS < end)) || fail "the terminal read \"$(cat "$out")\""
    sleep 0.02
  done
}

# After a correction the engine types the layout it chose; the user's layout choice shows.
case_layout() { check_layout_follows open_gtk3; }

# A password field whose text is shown (IBus's GTK module keeps the hidden kind from the engine
# altogether): nothing read, nothing corrected, 20 times at 10 ms between keys.
case_password-fast() { check_password_kept open_gtk3 --shown-password; }

# A user whose Russian layout was the phonetic one: the engine types it, and reads a word typed on
# the English layout as typed on it.
case_layout-variant() {
  open_gtk3
  keys p r i w e t space
  expect_line "привет "
  keys q space # "я" on the phonetic layout, "й" on the usual one
  expect_line "привет я "
}

# The user's own switch key (Alt+Shift here) goes to the next layout, and the engine types it.
case_user-switch() {
  setxkbmap us -option grp:alt_shift_toggle
  open_gtk3
  keys shift+alt
  host_says "language ru"
  keys g h b d t n space
  expect_line "привет "
  setxkbmap us -option ""
}

case_undo() {
  open_gtk3
  keys v b h space
  expect_line "мир "
  keys ctrl+F11
  expect_line "vbh "
}

# A program excluded by the name IBus's GTK module gives is left alone.
case_excluded-application() {
  open_gtk3
  keys g h b d t n space
  local end=$((SECONDS + 10))
  until grep -q "is in the exclusion list" "$log" 2>/dev/null; do
    ((SECONDS < end)) || fail "the engine did not leave the excluded program alone"
    sleep 0.02
  done
  expect_line "ghbdtn "
}

# A line with four corrections typed fast, again and again: every key lands, in order.
case_key-order-10() { check_key_order 10 "gtk3 through IBus" open_gtk3; }
case_key-order-20() { check_key_order 20 "gtk3 through IBus" open_gtk3; }

daemon_pid=""
begin_case() { start_daemon; }
end_case() {
  close_client
  stop_daemon
}
run_cases
