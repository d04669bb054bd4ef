#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The fcitx5 addon in a private sway with fcitx5 (run-under-sway.sh): a GTK3 field and
# other clients (foot, xterm through XIM, GTK4 through both its modules, Qt 6 through fcitx5's Qt
# module) get their wrongly typed words corrected before the ending key reaches them, and at the
# edges the addon leaves text alone: a password field typed into fast, a word broken by a cursor
# move, words typed after the user switched the layout back. The field after a password field is
# corrected again, and a line typed fast, a hundred times, arrives whole every time.
#
#   addon-clients.sh BUILD_FOLDER ADDON_FOLDER CONF_FOLDER [CASE...]
#
# Without CASE, every quick case that passes with the addon as it is, or every quick case at all
# when KEYVANE_ADDON_KNOWN_FAULTS=1; a case named is run even when it is a known fault of the addon
# (known_faults below) or slow (slow_cases). Each case says what it saw; the script fails when one
# did.
set -euo pipefail

all_cases=(foot xterm xterm-skip-unknown gtk4-wayland gtk4-fcitx qt6 password-fast password-then-plain
  password-then-plain-wayland cursor-move cursor-move-wayland user-switch undo excluded-application pause
  convert-selection
  key-order-gtk3-10 key-order-gtk3-20 key-order-gtk4-10 key-order-gtk4-20)
# Cases that fail today, left out of the default run (named on the command line, they run).
known_faults=()
# Cases that take minutes, run by a test of their own (InputMethodFcitx5KeyOrder) that names them.
slow_cases=(key-order-gtk3-10 key-order-gtk3-20 key-order-gtk4-10 key-order-gtk4-20)
# Measurements, not tests: run by Benchmarks/input-method-latency.sh.
benchmark_cases=(latency-gtk3 latency-gtk4 latency-gtk4-wayland)

if [[ -z "${KEYVANE_ADDON_TEST_INSIDE:-}" ]]; then
  if (($# < 3)); then
    echo "usage: addon-clients.sh BUILD_FOLDER ADDON_FOLDER CONF_FOLDER [CASE...]" >&2
    echo "cases: ${all_cases[*]}" >&2
    exit 2
  fi
  here=$(cd "$(dirname "$0")" && pwd)
  bin=$(cd "$1" && pwd)
  addons=$(cd "$2" && pwd)
  conf=$(cd "$3" && pwd)
  shift 3
  KEYVANE_ADDON_TEST_INSIDE=1 KEYVANE_FCITX5_ADDON_DIRS=$addons KEYVANE_FCITX5_ADDON_CONF_DIR=$conf \
    exec "$here/run-under-sway.sh" "$here/addon-clients.sh" "$bin" "$@"
fi

bin=$1
shift
if (($#)); then
  cases=("$@")
elif [[ -n "${KEYVANE_ADDON_KNOWN_FAULTS:-}" ]]; then
  cases=("${all_cases[@]}")
else
  cases=()
  for name in "${all_cases[@]}"; do
    [[ " ${known_faults[*]} ${slow_cases[*]} " == *" $name "* ]] || cases+=("$name")
  done
fi
work=$(mktemp -d -p "$XDG_RUNTIME_DIR" addon-clients.XXXXXX)
client_pid=""
# What the case's client printed, or wrote, and what fail() shows.
out=$work/client.out

# Inside a case (a subshell): ends the case with its reason.
fail() {
  echo "addon-clients.sh: $case: $*" >&2
  echo "--- what the client printed:" >&2
  cat "$out" >&2 2>/dev/null || true
  cat "$work/client.err" >&2 2>/dev/null || true
  echo "--- fcitx5:" >&2
  grep -i -E "keyvane|error" "$KEYVANE_FCITX5_LOG" | tail -n 10 >&2 || true
  echo "--- the addon's log:" >&2
  tail -n 15 "$KEYVANE_ADDON_LOG" >&2 2>/dev/null || true
  exit 1
}

# shellcheck source=client-waits.sh
source "$(dirname "${BASH_SOURCE[0]}")/client-waits.sh"

# Waits, at most 10 s, until the client's last line matches the glob pattern, and prints it.
await_line() {
  local end=$((SECONDS + 10)) line=""
  while :; do
    line=$(last_line || true)
    # shellcheck disable=SC2053 # a pattern
    [[ -n "$line" && "$line" == $1 ]] && break
    ((SECONDS < end)) || fail "no line like \"$1\" within 10 s"
    kill -0 "$client_pid" 2>/dev/null || fail "the client ended"
    sleep 0.02
  done
  printf '%s\n' "$line"
}

typist() {
  local answer
  echo "$1" >&"$typist_in"
  read -r -t 10 -u "$typist_out" answer || fail "the typist did not answer \"$1\""
  [[ "$answer" == ok ]] || fail "the typist answered \"$answer\" to \"$1\""
}

current_input_method() {
  dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.CurrentInputMethod | sed -n 's/.*string "\(.*\)"/\1/p'
}

# fcitx5's input contexts that have the focus, one line each: "IC [id] program:NAME
# frontend:dbus|xim|wayland_v2 cap:FLAGS focus:1".
focused_contexts() {
  dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.DebugInfo | grep -E '^ *IC .* focus:1' | sed 's/^ *//' || true
}

# Waits, at most $3 s (10 when not given), until an input context whose line matches the glob
# pattern (and differs from the second argument, when not empty) has the focus, and prints its line. fcitx5 answers CurrentInputMethod for the most recent input context even
# once it has lost the focus (the Wayland frontend keeps one for the whole session), so this, not
# an engine switch, tells that the client's keys now go through fcitx5.
find_focus() {
  local end=$((SECONDS + ${3:-10})) line
  while :; do
    while read -r line; do
      # shellcheck disable=SC2053 # a pattern
      if [[ "$line" == $1 && "$line" != "${2:-}" ]]; then
        printf '%s\n' "$line"
        return 0
      fi
    done < <(focused_contexts)
    ((SECONDS < end)) || return 1
    sleep 0.02
  done
}

# find_focus, or the case fails.
await_focus() {
  find_focus "$@" || fail "no input context like \"$1\" got the focus within ${3:-10} s; fcitx5's: $(
    dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
      org.fcitx.Fcitx.Controller1.DebugInfo | grep -E '^ *IC ' | tr -s ' \n' ' ')"
}

# Switches the focused field's engine, as the user's shortcut would.
set_input_method() {
  local end=$((SECONDS + 10))
  until dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.SetCurrentIM "string:$1" >/dev/null && [[ "$(current_input_method)" == "$1" ]]; do
    ((SECONDS < end)) || fail "fcitx5 did not switch to $1"
    sleep 0.02
  done
}

# Starts a client in the background, its standard output into $out.
start() {
  : >"$out"
  NO_AT_BRIDGE=1 "$@" >"$out" 2>"$work/client.err" &
  client_pid=$!
}

# Ends the case's client and waits until no input context of fcitx5 has the focus, so that the next
# case's await_focus finds the next client's.
stop_client() {
  if [[ -n "$client_pid" ]]; then
    kill "$client_pid" 2>/dev/null || true
    wait "$client_pid" 2>/dev/null || true
    client_pid=""
  fi
  local end=$((SECONDS + 10))
  while [[ -n "$(focused_contexts)" ]]; do
    ((SECONDS < end)) || {
      echo "addon-clients.sh: $case: an input context kept the focus after the client ended" >&2
      return 1
    }
    sleep 0.02
  done
}

# Starts a text field, $1 ("gtk3" or "gtk4", its options after $2), through GTK's input-method
# module $2 ("fcitx", over D-Bus, or "wayland", text-input-v3), waits until fcitx5 has its focus and
# puts the field on keyboard-us.
open_field() {
  local field=$1 module=$2 pattern="*frontend:wayland_v2 *"
  shift 2
  [[ $module == wayland ]] || pattern="*program:keyvane-field-$field frontend:dbus *"
  GTK_IM_MODULE=$module start "$bin/keyvane-field-$field" "$@"
  expect_line ""
  await_focus "$pattern" >/dev/null
  set_input_method keyboard-us
}

# Empties the field, as the user would.
clear_field() {
  typist "key ctrl+a"
  typist "key BackSpace"
  expect_line ""
}

# A terminal running a shell that reads one line and writes it, whole, to $out.
# shellcheck disable=SC2016 # expanded by that shell
line_reader=(sh -c 'read -r line; printf %s "$line" >"$1.new" && mv "$1.new" "$1"' sh)

# "lfnf" and Return in a terminal whose input context is like $1: the line the shell read is $2,
# and the terminal ends with the shell.
check_terminal() {
  local end
  # fcitx5 5.0 reads X events on a thread woken only when its X socket can be read: an XIM client's
  # first request that arrives while fcitx5 waits for a reply of its own stays in libxcb's queue
  # until the next X event reaches fcitx5 (fixed upstream in fcitx5 5.1.13). On a desktop the next
  # focus change brings one; in this quiet session about one xterm start in eighty waited for good.
  # A root window property change, as every focus change makes, stands in for that.
  if [[ "$1" == *frontend:xim* ]] && ! find_focus "$1" "" 3 >/dev/null; then
    xprop -root -f KEYVANE_X_TRAFFIC 8s -set KEYVANE_X_TRAFFIC 1
  fi
  await_focus "$1" >/dev/null
  set_input_method keyboard-us
  typist "type ${3:-lfnf}"
  typist "key Return"
  end=$((SECONDS + 10))
  until [[ -e "$out" ]]; do
    ((SECONDS < end)) || fail "the shell in the terminal read no line within 10 s"
    sleep 0.02
  done
  [[ "$(cat "$out")" == "$2" ]] || fail "the line read was \"$(cat "$out")\", not \"$2\""
  end=$((SECONDS + 10))
  while kill -0 "$client_pid" 2>/dev/null; do
    ((SECONDS < end)) || fail "the terminal did not end with its shell within 10 s"
    sleep 0.02
  done
  client_pid=""
}

# foot has no surrounding text: the word goes by BackSpace, before the Return goes on, so the shell
# reads the corrected line.
case_foot() {
  rm -f "$out"
  foot --app-id keyvane-foot "${line_reader[@]}" "$out" >"$work/client.err" 2>&1 &
  client_pid=$!
  check_terminal "*frontend:wayland_v2 *" "дата"
}

# xterm reads keys through XIM: nine words, six replaced by BackSpace keys and a commit while
# xterm moves its cursor and tells the input method so; the shell reads the corrected line, and
# xterm, never left waiting for fcitx5, ends with it.
case_xterm() {
  rm -f "$out"
  LANG=C.UTF-8 LC_ALL=C.UTF-8 xterm -class KeyvaneXterm -e "${line_reader[@]}" "$out" \
    >"$work/client.err" 2>&1 &
  client_pid=$!
  check_terminal "*program:xterm frontend:xim *" "привет мир дата привет мир дата привет мир дата" \
    "ghbdtn vbh lfnf ghbdtn vbh lfnf ghbdtn vbh lfnf"
}

# XIM tells nothing of a field, a password prompt included: a user who skips fields that cannot be
# told has the line left as typed there.
case_xterm-skip-unknown() {
  set_preferences '{"active_languages": ["en", "ru", "uk"], "debug_log": true,
    "skip_when_fields_unknown": true}' 0
  rm -f "$out"
  LANG=C.UTF-8 LC_ALL=C.UTF-8 xterm -class KeyvaneXterm -e "${line_reader[@]}" "$out" \
    >"$work/client.err" 2>&1 &
  client_pid=$!
  check_terminal "*program:xterm frontend:xim *" "lfnf"
  set_preferences "$KEYVANE_PREFERENCES" 0
}

# "ghbdtn vbh" in a field whose input context is like the pattern: "привет мир", and the layout
# followed. The focus is awaited first, unless the case did.
check_field_corrected() {
  expect_line ""
  [[ -n "${2:-}" ]] || await_focus "$1" >/dev/null
  set_input_method keyboard-us
  typist "type ghbdtn vbh"
  expect_line "привет мир"
  [[ "$(current_input_method)" == keyboard-ru ]] || fail "the layout did not follow"
}

case_gtk4-wayland() {
  GTK_IM_MODULE=wayland start "$bin/keyvane-field-gtk4"
  check_field_corrected "*frontend:wayland_v2 *"
}

case_gtk4-fcitx() {
  GTK_IM_MODULE=fcitx start "$bin/keyvane-field-gtk4"
  check_field_corrected "*program:keyvane-field-gtk4 frontend:dbus *"
}

# Qt 6.4 speaks no text-input-v3 (INPUT-METHODS.md): fcitx5's Qt module, over D-Bus. Debian's Qt
# has no Wayland platform plugin here, so the field runs under Xwayland. There fcitx5-qt 5.0.16
# gives its new input context the focus over D-Bus and names its focus group in an X message;
# fcitx5 5.0.21 takes the focus away again on that message when it comes second, about one start
# in three, and the context waits at focus:0 until the first key, which brings its own FocusIn.
# So the case waits for the context to exist with the field's capabilities, focused or not.
case_qt6() {
  QT_IM_MODULE=fcitx QT_QPA_PLATFORM=xcb start "$bin/keyvane-field-qt6"
  local end=$((SECONDS + 10))
  until dbus-send --session --print-reply --dest=org.fcitx.Fcitx5 /controller \
    org.fcitx.Fcitx.Controller1.DebugInfo | grep -qE 'program:keyvane-field-qt6 frontend:dbus cap:[1-9a-f]'; do
    ((SECONDS < end)) || fail "fcitx5 has no input context for the Qt field"
    sleep 0.02
  done
  check_field_corrected "" no-focus-wait
}

# A GTK3 password field typed into 20 times at 10 ms a key event: every time the text is what was
# typed, and the layout stays.
case_password-fast() {
  local round changed=0 line
  open_field gtk3 fcitx --password
  typist "gap 10"
  for round in $(seq 1 20); do
    typist "type ghbdtn "
    # The space is the last key, and a replacement would come before it: a line ending with a space
    # is the round's final text.
    line=$(await_line "* ")
    if [[ "$line" != "ghbdtn " ]]; then
      changed=$((changed + 1))
      echo "addon-clients.sh: $case: round $round gave \"$line\"" >&2
    fi
    clear_field
  done
  typist "gap 20"
  ((changed == 0)) || fail "the password field's text changed in $changed of 20 rounds"
  [[ "$(current_input_method)" == keyboard-us ]] || fail "the layout changed in a password field"
}

# A login form: a password entry, then Tab to an ordinary one, where words are corrected again.
check_password_then_plain() {
  local context
  expect_line "|"
  context=$(await_focus "$1")
  set_input_method keyboard-us
  typist "type ghbdtn "
  expect_line "ghbdtn |"
  [[ "$(current_input_method)" == keyboard-us ]] || fail "the layout changed in the password field"
  # The ordinary entry has an input context of its own (GTK's fcitx module), or the one the
  # Wayland frontend keeps gets the ordinary entry's capabilities: either way its line changes.
  typist "key Tab"
  context=$(await_focus "$1" "$context")
  typist "type ghbdtn vbh"
  expect_line "ghbdtn |привет мир"
}

case_password-then-plain() {
  GTK_IM_MODULE=fcitx start "$bin/keyvane-field-gtk3" --password-then-plain
  check_password_then_plain "*program:keyvane-field-gtk3 frontend:dbus *"
}

# The same through text-input-v3, where both entries share the one Wayland input context and the
# password flag comes and goes with the content type.
case_password-then-plain-wayland() {
  GTK_IM_MODULE=wayland start "$bin/keyvane-field-gtk3" --password-then-plain
  check_password_then_plain "*frontend:wayland_v2 *"
}

# "ghb", the cursor left and back, "dtn ": the word was broken, so it stays as typed. $1 is the
# GTK module.
check_cursor_move() {
  local line
  open_field gtk3 "$1"
  typist "type ghb"
  expect_line "ghb"
  typist "key Left"
  typist "key Right"
  typist "type dtn "
  # The space is the last key, and a replacement would come before it.
  line=$(await_line "* ")
  [[ "$line" == "ghbdtn " ]] || fail "the text became \"$line\", not \"ghbdtn \""
  [[ "$(current_input_method)" == keyboard-us ]] || fail "the layout changed"
}

case_cursor-move() {
  check_cursor_move fcitx
}

case_cursor-move-wayland() {
  check_cursor_move wayland
}

# Key order at speed: the line "ghbdtn hello ntcn world " (four corrections, the layout going to
# keyboard-ru and back twice) typed $3 times ($KEYVANE_KEY_ORDER_RUNS when set) at $2 ms a key
# event arrives whole every time: no key lost, none overtaken by a replacement. $1 is the field
# ("gtk3" through fcitx5's GTK module, "gtk4" through text-input-v3, where the field's surrounding
# text lags most). Each round starts from an empty field on keyboard-us.
check_key_order() {
  local round wrong=0 line runs=${KEYVANE_KEY_ORDER_RUNS:-$3}
  if [[ $1 == gtk3 ]]; then open_field gtk3 fcitx; else open_field gtk4 wayland; fi
  for round in $(seq 1 "$runs"); do
    set_input_method keyboard-us
    typist "gap $2"
    typist "type ghbdtn hello ntcn world "
    typist "gap 20"
    # Four spaces: the round's last key has arrived (a replacement comes before its space). A
    # round whose keys went astray may never get there: its last line counts.
    line=$(await_line "* * * * " 2>/dev/null) || line=$(last_line)
    if [[ "$line" != "привет hello тест world " ]]; then
      wrong=$((wrong + 1))
      echo "addon-clients.sh: $case: round $round gave \"$line\"" >&2
    fi
    clear_field
  done
  ((wrong == 0)) || fail "$wrong of $runs rounds at $2 ms a key event came out wrong"
  echo "addon-clients.sh: $case: $runs of $runs rounds right at $2 ms a key event"
}

# A hundred rounds each through GTK's module, thirty through text-input-v3 (three minutes in all).
case_key-order-gtk3-10() { check_key_order gtk3 10 100; }
case_key-order-gtk3-20() { check_key_order gtk3 20 100; }
case_key-order-gtk4-10() { check_key_order gtk4 10 30; }
case_key-order-gtk4-20() { check_key_order gtk4 20 30; }

# A correction switched to keyboard-ru; the user switches back to keyboard-us over D-Bus, as their
# shortcut would, and types English: it stays.
case_user-switch() {
  local line
  open_field gtk3 fcitx
  typist "type ghbdtn "
  expect_line "привет "
  [[ "$(current_input_method)" == keyboard-ru ]] || fail "the layout did not follow"
  set_input_method keyboard-us
  typist "type hello "
  line=$(await_line "привет * ")
  [[ "$line" == "привет hello " ]] || fail "the text became \"$line\", not \"привет hello \""
  [[ "$(current_input_method)" == keyboard-us ]] || fail "the layout left the user's keyboard-us"
}

# Control+F11 right after a correction brings the typed word back, and the layout with it; the
# shortcut itself never reaches the field. Undoing teaches the addon the word: typed again, it
# stays. (A word of its own, so that the other cases' words are still corrected.)
case_undo() {
  local line
  open_field gtk3 fcitx
  typist "type ckjdj "
  expect_line "слово "
  typist "key ctrl+F11"
  expect_line "ckjdj "
  [[ "$(current_input_method)" == keyboard-us ]] || fail "the layout stayed $(current_input_method) after the undo"
  typist "type ckjdj "
  line=$(await_line "* * ")
  [[ "$line" == "ckjdj ckjdj " ]] || fail "the word undone was corrected again: \"$line\""
}

# Control+F12 converts the text selected in a field that tells its selection (GTK 4 through
# fcitx5's module), in place, and the layout follows.
case_convert-selection() {
  open_field gtk4 fcitx
  typist "type ghbdtn"
  expect_line "ghbdtn"
  typist "key ctrl+a"
  typist "key ctrl+F12"
  expect_line "привет"
  local end=$((SECONDS + 10))
  until [[ "$(current_input_method)" == keyboard-ru ]]; do
    ((SECONDS < end)) || fail "the layout did not follow the conversion"
    sleep 0.02
  done
}

# "keyvane --pause" from a terminal or a desktop shortcut reaches the addon: words stay as typed
# until "keyvane --resume".

case_pause() {
  local line answer program=${KEYVANE_PROGRAM:-$bin/../../Sources/Keyvane/keyvane}
  answer=$("$program" --pause 1m 2>&1) || fail "keyvane --pause failed: $answer"
  [[ $answer == "Keyvane is paused for 1 minute." ]] || fail "keyvane --pause answered \"$answer\""
  host_says "paused 1"
  open_field gtk3 fcitx
  typist "type ghbdtn "
  line=$(await_line "* ")
  [[ "$line" == "ghbdtn " ]] || fail "while paused the text became \"$line\""
  answer=$("$program" --resume 2>&1) || fail "keyvane --resume failed: $answer"
  [[ $answer == "Keyvane corrects words again." ]] || fail "keyvane --resume answered \"$answer\""
  typist "type ghbdtn "
  line=$(await_line "* * ")
  [[ "$line" == "ghbdtn привет " ]] || fail "after the resume the text became \"$line\""
  host_says "paused 0"
  host_says "language ru" # the tray's badge follows the correction's switch
}

# Writes the user's preferences as the settings window would (whole, then renamed into place) and
# waits until the addon has taken them up: its log says so.
set_preferences() {
  local file=$XDG_DATA_HOME/keyvane/user_preferences.json before end
  before=$(grep -c "user_preferences.json loaded: $2 excluded" "$KEYVANE_ADDON_LOG" || true)
  printf '%s\n' "$1" >"$file.new" && mv "$file.new" "$file"
  end=$((SECONDS + 10))
  until (($(grep -c "user_preferences.json loaded: $2 excluded" "$KEYVANE_ADDON_LOG" || true) > before)); do
    ((SECONDS < end)) || fail "the addon did not take up the preferences within 10 s"
    sleep 0.02
  done
}

# An application the user excluded in the settings window (by the program name fcitx5 gives) keeps
# what is typed in it; once the exclusion is removed it is corrected again, without a restart.
case_excluded-application() {
  local line
  set_preferences '{"active_languages": ["en", "ru", "uk"], "debug_log": true,
    "excluded_apps": {"keyvane-field-gtk3": {"name": "Keyvane field"}}}' 1
  open_field gtk3 fcitx
  typist "type ghbdtn "
  line=$(await_line "* ")
  [[ "$line" == "ghbdtn " ]] || fail "the excluded application's text became \"$line\""
  [[ "$(current_input_method)" == keyboard-us ]] || fail "the layout changed in an excluded application"
  set_preferences "$KEYVANE_PREFERENCES" 0
  typist "type ghbdtn "
  line=$(await_line "* * ")
  [[ "$line" == "ghbdtn привет " ]] || fail "once no longer excluded, the text became \"$line\""
}

# Latency, for Benchmarks/input-method-latency.sh: from the space that ends a word to the field
# showing the text, $KEYVANE_LATENCY_RUNS times (20 unless set), for "ghbdtn" (corrected to
# "привет ") and "hello" (left as typed: the way through sway and fcitx5 alone). $1 is the field
# and $2 its GTK module: "gtk3 fcitx", whose surrounding text lets the word go by deletion, "gtk4
# fcitx", which gives none, so the word goes by BackSpace and the commit waits until it has
# arrived, or "gtk4 wayland" (text-input-v3). Prints a line "latency FIELD/MODULE WORD MS" for each.
measure_latency() {
  local round typed expected pressed shown runs=${KEYVANE_LATENCY_RUNS:-20} answer
  KEYVANE_FIELD_TIMES=1 open_field "$1" "$2"
  for round in $(seq 1 "$runs"); do
    for typed in ghbdtn hello; do
      expected="hello "
      [[ $typed == hello ]] || expected="привет "
      set_input_method keyboard-us
      typist "type $typed"
      expect_line "$typed"
      typist "key space"
      echo stamp >&"$typist_in"
      read -r -t 10 -u "$typist_out" answer pressed || fail "the typist did not answer \"stamp\""
      [[ $answer == ok ]] || fail "the typist answered \"$answer\" to \"stamp\""
      expect_line "$expected"
      shown=$(awk -v want="$expected" '{ t = $1; sub(/^[0-9]+ /, ""); if ($0 == want) last = t } END { print last }' \
        "$work/client.err")
      echo "latency $1/$2 $typed $(((shown - pressed) / 1000)).$((((shown - pressed) % 1000) / 100))"
      clear_field
    done
  done
}

case_latency-gtk3() { measure_latency gtk3 fcitx; }
case_latency-gtk4() { measure_latency gtk4 fcitx; }
case_latency-gtk4-wayland() { measure_latency gtk4 wayland; }

# fcitx5 may answer on the bus before it has loaded every addon.
loaded_by=$((SECONDS + 10))
until grep -q "Loaded addon keyvane" "$KEYVANE_FCITX5_LOG"; do
  if ((SECONDS >= loaded_by)); then
    echo "addon-clients.sh: fcitx5 did not load the addon within 10 s" >&2
    grep -i -E "keyvane|error" "$KEYVANE_FCITX5_LOG" | tail -n 10 >&2 || true
    exit 1
  fi
  sleep 0.02
done
# One typist for the whole run (sway 1.7 crashes when a virtual keyboard goes away while fcitx5
# holds the keyboard grab); it ends when its input closes with this script.
coproc TYPIST { "$bin/keyvane-typist"; }
# Bash closes a coprocess's own descriptors in subshells, where the cases run: copies stay open.
exec {typist_in}>&"${TYPIST[1]}" {typist_out}<&"${TYPIST[0]}"

failed=()
for case in "${cases[@]}"; do
  if ! declare -F "case_$case" >/dev/null; then
    echo "addon-clients.sh: no case \"$case\" (cases: ${all_cases[*]})" >&2
    exit 2
  fi
  started=$(date +%s%N)
  # Each case in a subshell: fail() ends the case, and the case's client is ended with it. The
  # subshell is waited for, not tested in an `if`, where bash would turn off `set -e` inside it.
  (
    trap 'stop_client || exit 1' EXIT
    "case_$case"
  ) &
  status=0
  wait $! || status=$?
  if ((status == 0)); then
    echo "addon-clients.sh: $case: passed ($((($(date +%s%N) - started) / 1000000)) ms)"
  else
    failed+=("$case")
  fi
done
if ((${#failed[@]})); then
  echo "addon-clients.sh: failed: ${failed[*]}" >&2
  exit 1
fi
