#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The fcitx5 addon in a private sway with fcitx5 (run-under-sway.sh): words typed in a GTK3 field on
# the wrong layout are corrected before their ending key reaches the field, the layout follows,
# and nothing typed in a GTK3 password field is changed.
#
#   addon.sh BUILD_FOLDER ADDON_FOLDER CONF_FOLDER
set -euo pipefail

if [[ -z "${KEYVANE_ADDON_TEST_INSIDE:-}" ]]; then
  if (($# != 3)); then
    echo "usage: addon.sh BUILD_FOLDER ADDON_FOLDER CONF_FOLDER" >&2
    exit 2
  fi
  here=$(cd "$(dirname "$0")" && pwd)
  KEYVANE_ADDON_TEST_INSIDE=1 KEYVANE_FCITX5_ADDON_DIRS=$(cd "$2" && pwd) \
    KEYVANE_FCITX5_ADDON_CONF_DIR=$(cd "$3" && pwd) exec "$here/run-under-sway.sh" "$here/addon.sh" "$(cd "$1" && pwd)"
fi

bin=$1
work=$(mktemp -d -p "$XDG_RUNTIME_DIR" addon.XXXXXX)
field_pid=""
cleanup() {
  [[ -z "$field_pid" ]] || kill "$field_pid" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
  echo "addon.sh: $*" >&2
  echo "--- what the field printed:" >&2
  cat "$work/field.out" >&2 || true
  echo "--- fcitx5:" >&2
  grep -i -E "keyvane|error" "$KEYVANE_FCITX5_LOG" | tail -n 15 >&2 || true
  exit 1
}

# Waits, at most 10 s, until the field's last line is the text.
expect_field() {
  local end=$((SECONDS + 10))
  while ((SECONDS < end)); do
    if [[ -s "$work/field.out" && "$(tail -n 1 "$work/field.out")" == "$1" ]]; then
      return 0
    fi
    kill -0 "$field_pid" 2>/dev/null || fail "the field ended"
    sleep 0.02
  done
  fail "the field does not show \"$1\""
}

typist() {
  local answer
  echo "$1" >&"${TYPIST[1]}"
  read -r -t 10 -u "${TYPIST[0]}" answer || fail "the typist did not answer \"$1\""
  [[ "$answer" == ok ]] || fail "the typist answered \"$answer\" to \"$1\""
}

current_input_method() {
  dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.CurrentInputMethod | sed -n 's/.*string "\(.*\)"/\1/p'
}

# Switches the focused field's engine, which also waits until the field has an input context.
set_input_method() {
  local end=$((SECONDS + 10))
  until dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.SetCurrentIM "string:$1" >/dev/null && [[ "$(current_input_method)" == "$1" ]]; do
    ((SECONDS < end)) || fail "fcitx5 did not switch to $1"
    sleep 0.02
  done
}

open_field() {
  : >"$work/field.out"
  GTK_IM_MODULE=fcitx NO_AT_BRIDGE=1 "$bin/keyvane-field-gtk3" "$@" >"$work/field.out" 2>"$work/field.err" &
  field_pid=$!
  expect_field ""
  [[ -n "${TYPIST_PID:-}" ]] || coproc TYPIST { "$bin/keyvane-typist"; }
  typist "gap 20"
  set_input_method keyboard-us
}

close_field() {
  kill "$field_pid"
  wait "$field_pid" 2>/dev/null || true
  field_pid=""
}

# fcitx5 may answer on the bus before it has loaded every addon.
loaded_by=$((SECONDS + 10))
until grep -q "Loaded addon keyvane" "$KEYVANE_FCITX5_LOG"; do
  ((SECONDS < loaded_by)) || fail "fcitx5 did not load the addon within 10 s"
  sleep 0.02
done

# A password field: left as typed, and the layout stays.
open_field --password
typist "type ghbdtn "
expect_field "ghbdtn "
[[ "$(current_input_method)" == keyboard-us ]] || fail "the layout changed in a password field"
close_field

# An ordinary field: corrected at the space, and the next word comes out in the layout meant.
open_field
typist "type ghbdtn vbh"
expect_field "привет мир"
[[ "$(current_input_method)" == keyboard-ru ]] || fail "the layout did not follow"
close_field
echo "addon.sh: a GTK3 field corrected, a GTK3 password field left alone"
