# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the input-method test scripts: choosing and running their cases, and waiting for what
# a client shows and what the host says. The script defines fail, and sets out (the client's lines)
# and client_pid.

# A scratch folder for the test ($work), removed at the end with every process left in $pids, last
# started first, and what each started (GNOME Shell starts ibus-daemon, which outlives it).
scratch_folder() {
  work=$(mktemp -d)
  pids=()
  trap 'for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
          kill $(descendants "${pids[$i]}") "${pids[$i]}" 2>/dev/null || true
        done
        wait 2>/dev/null || true
        rm -rf "$work"' EXIT
}

descendants() {
  local child
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    echo "$child"
    descendants "$child"
  done
}

# A home of the test's own below the folder $1, with the developer log on (shown when a case
# fails, and at "$log"); the runtime folder private.
private_home() {
  export HOME=$1/home XDG_CONFIG_HOME=$1/home/.config XDG_DATA_HOME=$1/home/.local/share
  export XDG_STATE_HOME=$1/home/.local/state XDG_CACHE_HOME=$1/home/.cache XDG_RUNTIME_DIR=$1/run
  mkdir -p "$XDG_DATA_HOME/keyvane" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  touch "$HOME/.keyvane_dev"
  log=$XDG_RUNTIME_DIR/keyvane/keyvane.log
}

last_line() {
  [[ -s "$out" ]] && tail -n 1 "$out"
}

# Waits, at most 10 s (or $2), until the client's last line is the text.
expect_line() {
  local end=$((SECONDS + ${2:-10}))
  until [[ -s "$out" && "$(tail -n 1 "$out")" == "$1" ]]; do
    ((SECONDS < end)) || fail "the client does not show \"$1\""
    kill -0 "$client_pid" 2>/dev/null || fail "the client ended"
    sleep 0.02
  done
}

# What the host tells the tray of the copy on the desktop (its marker), line by line, within 5 s.
host_says() {
  local end=$((SECONDS + 5))
  until grep -qx "$1" "$XDG_RUNTIME_DIR/keyvane/input-method-host" 2>/dev/null; do
    ((SECONDS < end)) || fail "the host's marker lacks \"$1\""
    sleep 0.02
  done
}

# The cases named ($@), or else every one of $all_cases that is not in $slow_cases: in $cases.
pick_cases() {
  if (($#)); then
    cases=("$@")
    return
  fi
  cases=()
  local name
  for name in "${all_cases[@]}"; do
    [[ " ${slow_cases[*]} " == *" $name "* ]] || cases+=("$name")
  done
}

# Runs each of $cases (the function case_NAME, in a subshell of its own), with the script's
# begin_case and end_case around it, and ends the script: failed when a case did.
run_cases() {
  local failed=0 started script
  script=$(basename "$0")
  for case in "${cases[@]}"; do
    if ! declare -F "case_$case" >/dev/null; then
      echo "$script: no case \"$case\"" >&2
      exit 2
    fi
    started=$SECONDS
    begin_case
    if ("case_$case"); then
      echo "$script: $case passed ($((SECONDS - started)) s)"
    else
      failed=1
    fi
    end_case
  done
  exit "$failed"
}

# Cases both IBus suites share; each opens its field with "$@" and types with its own `keys`.

# After a correction the engine types the layout it chose, and tells it.
check_layout_follows() {
  "$@"
  keys g h b d t n space
  expect_line "привет "
  host_says "language ru"
  keys l t k f space # typed on the Russian layout now: "дела"
  expect_line "привет дела "
}

# A password field: 20 words typed 10 ms apart stay as they were typed.
check_password_kept() {
  "$@"
  local run expected=""
  gap=10
  for run in $(seq 1 20); do
    keys g h b d t n space
    expected+="ghbdtn "
  done
  gap=30
  expect_line "$expected" 60
}

# A line with four corrections typed again and again, $1 ms between keys: every key lands, in
# order (KEYVANE_KEY_ORDER_RUNS runs, 100 by default). $2 names the way, for the log.
check_key_order() {
  local pace=$1 way=$2
  shift 2
  "$@"
  gap=$pace
  local runs=${KEYVANE_KEY_ORDER_RUNS:-100} run expected="" faults=0 end
  for run in $(seq 1 "$runs"); do
    keys g h b d t n space h e l l o space n t c n space w o r l d space
    expected+="привет hello тест world "
    end=$((SECONDS + 10))
    until [[ "$(last_line)" == "$expected" ]] || ((SECONDS >= end)); do sleep 0.02; done
    if [[ "$(last_line)" != "$expected" ]]; then
      faults=$((faults + 1))
      echo "run $run: \"$(last_line)\""
      expected=$(last_line)
    fi
  done
  echo "key order, $pace ms between keys, $way: $faults faults in $runs runs"
  gap=30
  ((faults == 0)) || fail "$faults of $runs runs lost or reordered keys"
}
