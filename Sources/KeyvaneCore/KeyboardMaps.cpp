// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/KeyboardMaps.h"

#include "KeyvaneCore/UnicodeText.h"

namespace keyvane::KeyboardMaps {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

// English key → Ukrainian character on the same key, column by column of the keyboard.
const Pairs& enToUkLowerPairs() {
    static const Pairs pairs = {
        {"q", "й"}, {"w", "ц"}, {"e", "у"}, {"r", "к"}, {"t", "е"}, {"y", "н"}, {"u", "г"},
        {"i", "ш"}, {"o", "щ"}, {"p", "з"}, {"[", "х"}, {"]", "ї"}, {"a", "ф"}, {"s", "і"},
        {"d", "в"}, {"f", "а"}, {"g", "п"}, {"h", "р"}, {"j", "о"}, {"k", "л"}, {"l", "д"},
        {";", "ж"}, {"'", "є"}, {"z", "я"}, {"x", "ч"}, {"c", "с"}, {"v", "м"}, {"b", "и"},
        {"n", "т"}, {"m", "ь"}, {",", "б"}, {".", "ю"}, {"`", "'"},
    };
    return pairs;
}

// The four Russian letters whose keys carry a different Ukrainian letter.
const Pairs& ruToUkLowerPairs() {
    static const Pairs pairs = {{"ы", "і"}, {"э", "є"}, {"ъ", "ї"}, {"ё", "'"}};
    return pairs;
}

const Pairs& ukToRuLowerPairs() {
    static const Pairs pairs = {{"і", "ы"}, {"є", "э"}, {"ї", "ъ"}, {"'", "ё"}};
    return pairs;
}

KeyboardMap toMap(const Pairs& pairs) {
    KeyboardMap map;
    for (const auto& [k, v] : pairs) {
        map[k] = v;
    }
    return map;
}

} // namespace

const KeyboardMap& qwertyShiftedPunctuation() {
    static const KeyboardMap map = {
        {",", "<"}, {".", ">"}, {";", ":"},  {"'", "\""}, {"[", "{"}, {"]", "}"},
        {"`", "~"}, {"/", "?"}, {"\\", "|"}, {"-", "_"},  {"=", "+"},
    };
    return map;
}

KeyboardMap invertMap(const Pairs& pairs) {
    KeyboardMap out;
    for (const auto& [k, v] : pairs) {
        out.try_emplace(v, k);
    }
    return out;
}

Pairs uppercasedLayoutMap(const Pairs& lowerPairs, const KeyboardMap* shiftedPunctuation) {
    Pairs out;
    // key → index in out, so that a later pair replaces an earlier one
    std::unordered_map<std::string, std::size_t> positions;
    for (const auto& [k, v] : lowerPairs) {
        std::string first = UnicodeText::firstGrapheme(k);
        std::string key;
        if (shiftedPunctuation != nullptr) {
            if (auto it = shiftedPunctuation->find(first); it != shiftedPunctuation->end()) {
                key = it->second;
            }
        }
        if (key.empty()) {
            key = UnicodeText::firstGrapheme(UnicodeText::toUpper(first));
        }
        std::string value = UnicodeText::isLetter(v) ? UnicodeText::toUpper(v) : v;
        if (auto it = positions.find(key); it != positions.end()) {
            out[it->second].second = value;
        } else {
            positions.emplace(key, out.size());
            out.emplace_back(key, value);
        }
    }
    return out;
}

const KeyboardMapsByDirection& defaultKeyboardMaps() {
    static const KeyboardMapsByDirection maps = {
        {LayoutDirection{Language::en, Language::uk}, toMap(enToUkLowerPairs())},
        {LayoutDirection{Language::uk, Language::en}, invertMap(enToUkLowerPairs())},
        {LayoutDirection{Language::ru, Language::uk}, toMap(ruToUkLowerPairs())},
        {LayoutDirection{Language::uk, Language::ru}, toMap(ukToRuLowerPairs())},
    };
    return maps;
}

const KeyboardMapsByDirection& defaultKeyboardShiftMaps() {
    static const KeyboardMapsByDirection maps = [] {
        Pairs enToUkShift = uppercasedLayoutMap(enToUkLowerPairs(), &qwertyShiftedPunctuation());
        return KeyboardMapsByDirection{
            {LayoutDirection{Language::en, Language::uk}, toMap(enToUkShift)},
            {LayoutDirection{Language::uk, Language::en}, invertMap(enToUkShift)},
            {LayoutDirection{Language::ru, Language::uk}, toMap(uppercasedLayoutMap(ruToUkLowerPairs()))},
            {LayoutDirection{Language::uk, Language::ru}, toMap(uppercasedLayoutMap(ukToRuLowerPairs()))},
        };
    }();
    return maps;
}

std::string mapCharacter(std::string_view c, const KeyboardMap& lowerMap, const KeyboardMap& upperMap) {
    if (UnicodeText::isUpperCase(c)) {
        if (auto it = upperMap.find(c); it != upperMap.end()) {
            return it->second;
        }
        std::string lower = UnicodeText::firstGrapheme(UnicodeText::toLower(c));
        if (auto it = lowerMap.find(lower); it != lowerMap.end()) {
            return UnicodeText::toUpper(it->second);
        }
        return std::string(c);
    }
    if (auto it = lowerMap.find(c); it != lowerMap.end()) {
        return it->second;
    }
    if (auto up = upperMap.find(c); up != upperMap.end()) {
        return up->second;
    }
    return std::string(c);
}

std::string mapToken(std::string_view token, const KeyboardMap& lowerMap, const KeyboardMap& upperMap) {
    std::string out;
    out.reserve(token.size() * 2);
    UnicodeText::eachGrapheme(token, [&](std::string_view c) { out += mapCharacter(c, lowerMap, upperMap); });
    return out;
}

std::string preserveCase(std::string_view original, std::string_view replacement) {
    // Most words are typed in small letters: nothing to carry over.
    if (original.empty() || !UnicodeText::hasUpperCase(original)) {
        return std::string(replacement);
    }
    bool first = true;
    bool firstUpper = false;
    bool laterUpperLetter = false;
    bool anyLetter = false;
    bool allLettersUpper = true;
    UnicodeText::eachGrapheme(original, [&](std::string_view c) {
        const bool upper = UnicodeText::isUpperCase(c);
        if (UnicodeText::isLetter(c)) {
            anyLetter = true;
            allLettersUpper = allLettersUpper && upper;
            laterUpperLetter = laterUpperLetter || (!first && upper);
        }
        firstUpper = first ? upper : firstUpper;
        first = false;
    });
    if (firstUpper && !laterUpperLetter) {
        std::string initial = UnicodeText::firstGrapheme(replacement);
        return UnicodeText::toUpper(initial) + std::string(replacement.substr(initial.size()));
    }
    if (anyLetter && allLettersUpper) {
        return UnicodeText::toUpper(replacement);
    }
    return std::string(replacement);
}

} // namespace keyvane::KeyboardMaps
