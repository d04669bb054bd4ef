#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The developer command line on big input: peak memory and time of `-file` (switch candidates, one
# in ten words a Russian word typed on the English layout, so the report is long) and of
# `-validation reverse -unique true` on texts of the given sizes, written from the rules file's
# common words. Memory should stay flat whatever the size.
#   Benchmarks/cli-big-input.sh [megabytes...]   (default: 10 100)
set -euo pipefail
cd "$(dirname "$0")/.."
keyvane=build/Sources/Keyvane/keyvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=("$@")
((${#sizes[@]})) || sizes=(10 100)

for megabytes in "${sizes[@]}"; do
  text="$work/text-$megabytes.txt"
  python3 - "$text" "$megabytes" <<'PY'
import json, random, sys
rules = json.load(open("Resources/keyvane_rules.json"))
english = rules["languages"]["en"]["common_words"]
russian = rules["languages"]["ru"]["common_words"]
typed = str.maketrans("йцукенгшщзхъфывапролджэячсмитьбю", "qwertyuiop[]asdfghjkl;'zxcvbnm,.")
random.seed(megabytes := int(sys.argv[2]))
with open(sys.argv[1], "w") as out:
    size = 0
    while size < megabytes * 1024 * 1024:
        words = [random.choice(russian).translate(typed) if random.random() < 0.1 else random.choice(english)
                 for _ in range(12)]
        line = " ".join(words) + ".\n"
        out.write(line)
        size += len(line.encode())
PY
  for mode in "-file $text -language en -languages en,ru,uk" \
    "-file $text -language en -languages en,ru,uk -validation reverse -unique true"; do
    # shellcheck disable=SC2086 # the options, split
    /usr/bin/time -f "%M %e" -o "$work/time" "$keyvane" $mode >"$work/report" 2>/dev/null
    read -r kilobytes seconds <"$work/time"
    awk -v size="$megabytes" -v mode="${mode#*-languages en,ru,uk}" -v kb="$kilobytes" -v s="$seconds" \
      -v last="$(tail -n 1 "$work/report")" \
      'BEGIN { printf "%4d MB %-36s peak %6.1f MB %7.1f s  %s\n", size, mode, kb / 1024, s, last }'
  done
done
