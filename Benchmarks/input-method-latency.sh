#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Boundary to corrected text inside fcitx5: from the press of the space that ends "ghbdtn" to the
# field showing "привет ", 20 times (or $1), in a GTK3 field (the word deleted through the field's
# surrounding text), a GTK4 field through fcitx5's GTK4 module (no surrounding text: BackSpace,
# then the commit once it has arrived) and through text-input-v3, on a private headless sway with the built addon. "hello",
# left as typed, gives the time the keys take through sway and fcitx5 alone. Prints the median and
# the slowest per field and word.
set -euo pipefail
cd "$(dirname "$0")/.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT
KEYVANE_LATENCY_RUNS=${1:-20} Tests/InputMethod/addon-clients.sh build/Tests/InputMethod \
  build/Sources/KeyvaneFcitx5/addon build/Sources/KeyvaneFcitx5/share/fcitx5/addon \
  latency-gtk3 latency-gtk4 latency-gtk4-wayland >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
printf '%-14s %-8s %-12s %s\n' field word "median ms" "slowest ms"
for field in gtk3/fcitx gtk4/fcitx gtk4/wayland; do
  for word in ghbdtn hello; do
    grep "^latency $field $word " "$log" | awk '{ print $4 }' | sort -n |
      awk -v f="$field" -v w="$word" '{ v[NR] = $1 } END { printf "%-14s %-8s %-12s %s\n", f, w, v[int((NR + 1) / 2)], v[NR] }'
  done
done
