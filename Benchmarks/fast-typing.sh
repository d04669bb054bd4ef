#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fast typing on the live program: 100 runs (or $1) of "привет дорогой " typed on the English layout
# at 10 and 20 ms between keys (or the speeds in $2, "10 20 35"): into the tests' Qt 6 editor through
# a keyboard device and through an XTest client, and into a GTK 3 entry and a Qt 5 line edit through
# the keyboard device; "ghbdtn ljhjujq" and Return into xterm, and "ghbdtn hello ntcn world " into a
# Chromium text area (these two at 10 and 20 ms, whatever $2 says); on a private Xvfb display. Prints the faults (lost or reordered keys, keys in
# the wrong layout) per speed and program.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-100}
for gap in ${2:-10 20}; do
  KEYVANE_FAST_TYPING_RUNS=$runs KEYVANE_FAST_TYPING_GAP_MS=$gap \
    Tests/Desktop/run-under-xvfb.sh build/Tests/Desktop/KeyvaneDesktopTests \
    --gtest_filter='Desktop.FastTyping*:Desktop.*Chromium*Fast' | grep -E '^(fast typing|run )' || true
done
