// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct xkb_keymap;

namespace keyvane {

// What the keys of one layout group type in another, key by key over the main block (the key
// left of 1, the digits row, the three letter rows and the key right of the letters): unshifted
// characters in `lower`, characters typed with Shift in `shift`. A key that types the same
// character in both groups has no entry.
struct GroupKeyMaps {
    unsigned int fromGroup = 0;
    unsigned int toGroup = 0;
    std::map<std::string, std::string> lower;
    std::map<std::string, std::string> shift;
};

namespace XkbKeyMaps {

// Keyvane's language of an XKB layout code ("us", "gb" → "en"; "ru" → "ru"; "ua" → "uk"); nothing
// for the layouts of other languages.
std::optional<std::string> languageOfLayout(const std::string& code);

// Every ordered pair of distinct groups of the keymap.
std::vector<GroupKeyMaps> betweenGroups(xkb_keymap* keymap);

// A keymap compiled from rule names, without a display ("us,ru,ua"; variants comma-separated
// alike, empty for each layout's default); null when the XKB data does not know them.
struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const;
};
std::unique_ptr<xkb_keymap, KeymapDeleter> compile(const std::string& layouts, const std::string& variants);

} // namespace XkbKeyMaps
} // namespace keyvane
