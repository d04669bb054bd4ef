#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fast typing on the live program: 100 runs (or $1) of "привет дорогой " typed on the English layout
# at 10, 20 and 35 ms between keys, through a keyboard device and through an XTest client, on a
# private Xvfb display. Prints the faults (lost or reordered keys) per speed and device.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-100}
for gap in 10 20 35; do
  KEYVANE_FAST_TYPING_RUNS=$runs KEYVANE_FAST_TYPING_GAP_MS=$gap \
    Tests/Desktop/run-under-xvfb.sh build/Tests/Desktop/KeyvaneDesktopTests \
    --gtest_filter='Desktop.FastTypingNeverLosesOrReordersAKey' | grep -E '^(fast typing|run )' || true
done
