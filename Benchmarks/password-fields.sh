#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Password fields typed into the instant they take the focus: a Qt 6, a GTK and a Chromium password
# field, each with the field started before the live program, right after it and long after it,
# 20 times (or $1) each on a private Xvfb display. Prints per case how often the password field
# came out other than typed ("ghbdtn " must stay), how often the ordinary field beside it was not
# corrected ("привет "), and how many runs failed for any reason.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}
log=$(mktemp)
trap 'rm -f "$log"' EXIT
Tests/Desktop/run-under-xvfb.sh build/Tests/Desktop/KeyvaneDesktopTests \
  --gtest_filter='EveryToolkitAndOrder/PasswordFields.*' --gtest_repeat="$runs" >"$log" 2>&1 || true
printf '%-62s %-18s %-18s %s\n' "case" "password altered" "word not corrected" "failed runs"
awk '
  /^fields of / {
    name = $3; sub(/:$/, "", name); sub(/^[^\/]*\//, "", name); line = $0; sub(/^[^[]*\[/, "", line); sub(/\]$/, "", line)
    split(line, parts, "|"); runs[name]++
    if (parts[1] != "ghbdtn ") altered[name]++
    if (parts[2] != "привет ") missed[name]++
  }
  /^\[  FAILED  \] [A-Za-z]/ && !/listed below/ { n = $4; sub(/^.*\//, "", n); sub(/,$/, "", n); failed[n]++ }
  END {
    for (c in runs) printf "%-62s %-18s %-18s %d\n", c, (altered[c] + 0) " of " runs[c], (missed[c] + 0) " of " runs[c], failed[c] + 0
  }' "$log" | sort
