#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One table of the figures Keyvane is held to, from the benchmark programs and the footprint
# measurement of the live program (after a build: cmake --build build).
#   Benchmarks/summary.sh           60 s idle and 60 s of typing, instructions counted by callgrind
#   Benchmarks/summary.sh --quick   10 s each, no instruction count
# Compare the table with Benchmarks/RESULTS.md, and keep a copy there with the machine's name.
set -euo pipefail
cd "$(dirname "$0")/.."
quick=false
[[ "${1:-}" == "--quick" ]] && quick=true
bench=build/Benchmarks
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench/KeyvaneCoreBenchmarks" --benchmark_filter='BM_LoadShippedRulesFile|BM_EvaluateDistribution' \
  --benchmark_format=json >"$work/core.json" 2>/dev/null
for run in 1 2 3 4 5; do
  "$bench/KeyvaneFirstLoadBenchmark" --benchmark_format=json >"$work/first$run.json" 2>/dev/null
done
"$bench/KeyvaneKeyPathBenchmark" --benchmark_format=json >"$work/keypath.json" 2>/dev/null
"$bench/KeyvaneLongTypingBenchmark" --benchmark_format=json >"$work/long.json" 2>/dev/null
if $quick; then
  Benchmarks/footprint.sh 10 10 300 2>/dev/null | grep -E '^[a-z]' >"$work/footprint.txt"
  echo "" >"$work/instructions.txt"
else
  Benchmarks/footprint.sh 60 60 1000 2>/dev/null | grep -E '^[a-z]' >"$work/footprint.txt"
  valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$bench/KeyvaneCoreBenchmarks" \
    --benchmark_filter='BM_EvaluateDistribution' >/dev/null 2>&1
  callgrind_annotate --inclusive=yes "$work/callgrind.out" 2>/dev/null |
    awk '/RulesEngine::evaluate\(/ && !found {found = 1; gsub(",", "", $1); print $1}' >"$work/instructions.txt"
fi

python3 - "$work" <<'PY'
import json, statistics, sys, pathlib
work = pathlib.Path(sys.argv[1])
def benchmarks(name):
    return {b["name"]: b for b in json.loads((work / name).read_text())["benchmarks"]}
core = benchmarks("core.json")
rows = []
load = core["BM_LoadShippedRulesFile"]
rows.append(("load of the rules file (warm)", f'{load["real_time"] / 1e6:.1f} ms' if load["time_unit"] == "ns" else f'{load["real_time"]:.1f} {load["time_unit"]}'))
firsts = [next(iter(benchmarks(f"first{r}.json").values()))["real_time"] for r in range(1, 6)]
rows.append(("first load in a fresh process (median of 5)", f"{statistics.median(firsts):.1f} ms"))
dist = next(b for n, b in core.items() if n.startswith("BM_EvaluateDistribution"))
rows.append(("evaluate per word: median / p99 / max", f'{dist["median_us"]:.1f} / {dist["p99_us"]:.1f} / {dist["max_us"]:.1f} µs'))
instructions = (work / "instructions.txt").read_text().strip()
if instructions:
    words = dist["words"] * dist["iterations"]
    rows.append(("evaluate per word: instructions", f"{int(instructions) / words:,.0f}"))
for name, b in benchmarks("keypath.json").items():
    layout, check = name.split("/")[1:3]
    rows.append((f"key path, layout {layout}{', password check' if check == '1' else ''}", f'{b["real_time"]:.0f} ns'))
long = next(iter(benchmarks("long.json").values()))
rows.append(("10,000 words through the coordinator: heap growth", f'{long["growth_kB"]:.0f} kB ({long["heap_after_1k_MB"]:.1f} MB in use)'))
for line in (work / "footprint.txt").read_text().splitlines():
    label, value = line[:45].strip(), line[45:].strip()
    rows.append((label, value))
width = max(len(label) for label, _ in rows)
for label, value in rows:
    print(f"{label:<{width}}  {value}")
PY
