#!/usr/bin/env python3
"""Writes the English-Russian keyboard maps into Resources/keyvane_rules.json.

The lower en->ru map is the standard Russian layout on QWERTY keys; ru->en is its inverse.
The shift maps follow from the lower maps: on the English side a punctuation key becomes the
character it gives with Shift, a letter its capital; on the Russian side letters become
capitals. The rest of the rules file is left as it is; the file is rewritten pretty-printed
with sorted keys.

Usage: tools/write_keyboard_maps.py [path-to-rules-file]
"""
import json
import sys
from pathlib import Path

EN_TO_RU = [
    ("q", "й"), ("w", "ц"), ("e", "у"), ("r", "к"), ("t", "е"), ("y", "н"), ("u", "г"),
    ("i", "ш"), ("o", "щ"), ("p", "з"), ("[", "х"), ("]", "ъ"), ("a", "ф"), ("s", "ы"),
    ("d", "в"), ("f", "а"), ("g", "п"), ("h", "р"), ("j", "о"), ("k", "л"), ("l", "д"),
    (";", "ж"), ("'", "э"), ("z", "я"), ("x", "ч"), ("c", "с"), ("v", "м"), ("b", "и"),
    ("n", "т"), ("m", "ь"), (",", "б"), (".", "ю"), ("`", "ё"),
]

QWERTY_SHIFTED = {",": "<", ".": ">", ";": ":", "'": '"', "[": "{", "]": "}",
                  "`": "~", "/": "?", "\\": "|", "-": "_", "=": "+"}


def shifted_key(key):
    return QWERTY_SHIFTED.get(key, key.upper())


def shifted_value(value):
    return value.upper() if value.isalpha() else value


def main():
    path = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "Resources" / "keyvane_rules.json"
    rules = json.loads(path.read_text(encoding="utf-8"))
    en_to_ru = dict(EN_TO_RU)
    ru_to_en = {v: k for k, v in EN_TO_RU}
    en_to_ru_shift = {shifted_key(k): shifted_value(v) for k, v in EN_TO_RU}
    ru_to_en_shift = {v: k for k, v in en_to_ru_shift.items()}
    layout = rules.setdefault("keyboard_layout", {})
    maps = layout.setdefault("maps", {})
    maps.update({"en_to_ru": en_to_ru, "ru_to_en": ru_to_en,
                 "en_to_ru_shift": en_to_ru_shift, "ru_to_en_shift": ru_to_en_shift})
    text = json.dumps(rules, ensure_ascii=False, indent=2, sort_keys=True) + "\n"
    tmp = path.with_suffix(".json.tmp")
    tmp.write_text(text, encoding="utf-8")
    tmp.replace(path)


if __name__ == "__main__":
    main()
