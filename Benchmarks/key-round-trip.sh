#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long a key press takes from the X server to the word buffer of the X11 host: 50 presses of
# "g" and space on a private Xvfb display, the average printed.
set -euo pipefail
cd "$(dirname "$0")/.."
Tests/Desktop/run-under-xvfb.sh build/Tests/Desktop/KeyvaneDesktopTests --gtest_also_run_disabled_tests \
  --gtest_filter='Desktop.DISABLED_KeyPressRoundTripFromTheServerToTheTokenBuffer' | grep -E '^key press' || true
