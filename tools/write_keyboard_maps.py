#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the keyboard maps of every direction into Resources/keyvane_rules.json.

The maps are what each key of the main block (the key left of 1, the digits row, the letter rows
and the key right of the letters) types on the default XKB layouts us, ru and ua, unshifted and
with Shift, read from the system's XKB data by build/tools/keyvane-xkb-key-maps (xkbcommon). So a
Russian "," (Shift and the key right of "ю") typed on the English layout is "?" and comes back as
",". The live program builds the same maps from the user's own keymap; these are its fallback and
the developer command line's maps. The rest of the rules file is left as it is; the file is
rewritten pretty-printed with sorted keys.

Usage: tools/write_keyboard_maps.py [path-to-rules-file]   (after a build)
"""
import json
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
TOOL = ROOT / "build" / "tools" / "keyvane-xkb-key-maps"


def main():
    path = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "Resources" / "keyvane_rules.json"
    maps = json.loads(subprocess.run([str(TOOL), "us,ru,ua", "en,ru,uk"], check=True,
                                     capture_output=True, text=True).stdout)
    rules = json.loads(path.read_text(encoding="utf-8"))
    rules.setdefault("keyboard_layout", {})["maps"] = maps
    text = json.dumps(rules, ensure_ascii=False, indent=2, sort_keys=True) + "\n"
    tmp = path.with_suffix(".json.tmp")
    tmp.write_text(text, encoding="utf-8")
    tmp.replace(path)


if __name__ == "__main__":
    main()
