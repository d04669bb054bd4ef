#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes Benchmarks/data/words.txt: a fixed sample of real English, Russian and Ukrainian
words, each as typed correctly and as typed on the wrong layout, for the engine benchmarks.

Sources: the Debian packages hunspell-en-us, hunspell-ru and hunspell-uk (word stems of their
.dic files). Run on demand: apt-get install hunspell-en-us hunspell-ru hunspell-uk first.
The sample is deterministic: every k-th stem of letters only, 2 to 14 characters long.
"""
import re
from pathlib import Path

PER_LANGUAGE = 1000
EN_RU = dict(zip("qwertyuiop[]asdfghjkl;'zxcvbnm,.`", "йцукенгшщзхъфывапролджэячсмитьбюё"))
EN_UK = dict(zip("qwertyuiop[]asdfghjkl;'zxcvbnm,.`", "йцукенгшщзхїфівапролджєячсмитьбю'"))
RU_EN = {v: k for k, v in EN_RU.items()}
UK_EN = {v: k for k, v in EN_UK.items()}
UK_RU = {"і": "ы", "є": "э", "ї": "ъ", "'": "ё"}
RU_UK = {v: k for k, v in UK_RU.items()}


def render(word, table):
    out = []
    for ch in word:
        low = ch.lower()
        mapped = table.get(low, ch)
        out.append(mapped.upper() if ch != low else mapped)
    return "".join(out)


def stems(path, alphabet):
    words = []
    for line in Path(path).read_text(encoding="utf-8").splitlines()[1:]:
        word = line.split("/")[0].strip()
        if 2 <= len(word) <= 14 and re.fullmatch(f"[{alphabet}]+", word.lower()):
            words.append(word)
    step = max(1, len(words) // PER_LANGUAGE)
    return words[::step][:PER_LANGUAGE]


def main():
    root = Path(__file__).resolve().parent.parent
    en = stems("/usr/share/hunspell/en_US.dic", "a-z")
    ru = stems("/usr/share/hunspell/ru_RU.dic", "а-яё")
    uk = stems("/usr/share/hunspell/uk_UA.dic", "а-щьюяґєії'")
    lines = []
    for word in en:
        lines += [word, render(word, EN_RU)]
    for word in ru:
        lines += [word, render(word, RU_EN)]
    for i, word in enumerate(uk):
        lines += [word, render(word, UK_EN) if i % 2 == 0 else render(word, UK_RU)]
    out = root / "Benchmarks" / "data" / "words.txt"
    out.write_text("\n".join(lines) + "\n", encoding="utf-8")
    print(f"{len(lines)} words written to {out}")


if __name__ == "__main__":
    main()
