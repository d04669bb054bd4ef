#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Measures the shipped rules file on text kept out of harvesting.

Run after tools/build_language_data.py (which writes tools/.cache/heldout_<lang>.txt) and a build.
For each language: the round trip (`keyvane -type roundtrip`: every word typed in each other
layout must come back), the same typed key for key with its punctuation (`-keys true`), and how many words of correctly typed text Keyvane would change
(`-type test` for English and Russian, the input diagnostic `-input` for Ukrainian). The same is
measured on the everyday sentences of tools/eval/chat_<lang>.txt, written by hand: capitals,
names, short words, brands, addresses and code identifiers mixed in.

  tools/evaluate_language_data.py [--rules FILE] [--languages en,ru,uk]
"""
import argparse
import json
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
KEYVANE = ROOT / "build" / "Sources" / "Keyvane" / "keyvane"
CACHE = ROOT / "tools" / ".cache"
CHAT = ROOT / "tools" / "eval"


RULES = [None]  # the rules file measured, handed to every run


def run(args, work):
    return subprocess.run([str(KEYVANE), "-rules", RULES[0]] + args, cwd=work, capture_output=True, text=True,
                          check=True).stdout


def round_trip(path, code, languages, work):
    run(["-file", str(path), "-type", "roundtrip", "-language", code, "-languages", languages], work)
    report = json.loads((Path(work) / f"roundtrip-report_{code}.json").read_text(encoding="utf-8"))
    return report["cells"]


def key_typing(path, code, languages, work):
    """Per layout the text was typed on: (recovered, other text, words); its own layout: (changed, words)."""
    run(["-file", str(path), "-type", "roundtrip", "-language", code, "-languages", languages, "-keys", "true"], work)
    report = json.loads((Path(work) / f"keytyping-report_{code}.json").read_text(encoding="utf-8"))
    cells = {layout: (c["recovered"], c["otherText"], c["words"]) for layout, c in report["layouts"].items()}
    return cells, (report["ownLayout"]["changed"], report["ownLayout"]["words"])


def changed_words(path, code, languages, work):
    """(changed, total) words of correctly typed text, with the changes themselves."""
    if code in ("en", "ru"):
        out = run(["-file", str(path), "-type", "test", "-language", code, "-languages", languages], work)
        total = int(re.search(r"Total words processed: (\d+)", out).group(1))
        changes = re.findall(r"Original: (.*)\nSuggested: (.*)\n", out)
        return changes, total
    words = path.read_text(encoding="utf-8").split()
    changes, total, chunk = [], 0, []
    for i, word in enumerate(words + [None]):
        if word is not None:
            chunk.append(word)
        if chunk and (word is None or sum(map(len, chunk)) > 20000):
            out = run(["-input", " ".join(chunk), "-languages", languages], work)
            total += int(re.search(r"Tokens: (\d+)", out).group(1))
            changes += re.findall(r"Result\s+: (.*) → (.*)\n", out)
            chunk = []
    return changes, total


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rules", default=str(ROOT / "Resources" / "keyvane_rules.json"))
    parser.add_argument("--languages", default="en,ru,uk")
    parser.add_argument("--show", type=int, default=0, help="print up to N changed words per text")
    options = parser.parse_args()
    # keyvane never reads a rules file from its working directory: the file is named on each run.
    RULES[0] = str(Path(options.rules).resolve())
    with tempfile.TemporaryDirectory() as work:
        print("Round trip (held-out text): recall / wrong")
        for code in ("en", "ru", "uk"):
            for cell, c in sorted(round_trip(CACHE / f"heldout_{code}.txt", code, options.languages, work).items()):
                print(f"  {cell:7} {100 * c['correct'] / c['total']:5.1f}% / {100 * c['wrong'] / c['total']:4.2f}%"
                      f"  of {c['total']}")
        print("Correct text changed: words changed / words")
        for label, files in (("held-out", CACHE / "heldout_{}.txt"), ("chat", CHAT / "chat_{}.txt")):
            for code in ("en", "ru", "uk"):
                path = Path(str(files).format(code))
                if not path.exists():
                    continue
                changes, total = changed_words(path, code, options.languages, work)
                print(f"  {label:8} {code}: {len(changes)} / {total} ({100 * len(changes) / max(total, 1):.2f}%)")
                for original, suggested in changes[:options.show]:
                    print(f"      {original} -> {suggested}")
        for label, files in (("held-out", CACHE / "heldout_{}.txt"), ("chat", CHAT / "chat_{}.txt")):
            print(f"Typed key for key ({label}): recovered as meant / other text; own layout: changed")
            for code in ("en", "ru", "uk"):
                path = Path(str(files).format(code))
                if not path.exists():
                    continue
                cells, (changed, words) = key_typing(path, code, options.languages, work)
                for layout, (recovered, other, total) in sorted(cells.items()):
                    print(f"  {code} on {layout}: {100 * recovered / max(total, 1):5.2f}% / "
                          f"{100 * other / max(total, 1):4.2f}%  of {total}")
                print(f"  {code} on {code}: {changed} of {words} changed")
        print("Round trip (chat sentences): recall / wrong")
        for code in ("en", "ru", "uk"):
            path = CHAT / f"chat_{code}.txt"
            if path.exists():
                for cell, c in sorted(round_trip(path, code, options.languages, work).items()):
                    print(f"  {cell:7} {100 * c['correct'] / c['total']:5.1f}% / {100 * c['wrong'] / c['total']:4.2f}%"
                          f"  of {c['total']}")


if __name__ == "__main__":
    sys.exit(main())
