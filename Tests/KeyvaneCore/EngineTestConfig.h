// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small, self-contained configuration for engine tests: the English–Russian keyboard maps
// of the standard layouts, a few words per language, and the built-in tables for the rest.

#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace keyvane::testing {

// Lower maps only: capitals map through the lower map and are upper-cased.
inline nlohmann::json englishRussianMaps() {
    const std::vector<std::pair<std::string, std::string>> lower = {
        {"q", "й"}, {"w", "ц"}, {"e", "у"}, {"r", "к"}, {"t", "е"}, {"y", "н"}, {"u", "г"},
        {"i", "ш"}, {"o", "щ"}, {"p", "з"}, {"[", "х"}, {"]", "ъ"}, {"a", "ф"}, {"s", "ы"},
        {"d", "в"}, {"f", "а"}, {"g", "п"}, {"h", "р"}, {"j", "о"}, {"k", "л"}, {"l", "д"},
        {";", "ж"}, {"'", "э"}, {"z", "я"}, {"x", "ч"}, {"c", "с"}, {"v", "м"}, {"b", "и"},
        {"n", "т"}, {"m", "ь"}, {",", "б"}, {".", "ю"}, {"`", "ё"}};
    nlohmann::json maps;
    for (const auto& [en, ru] : lower) {
        maps["en_to_ru"][en] = ru;
        maps["ru_to_en"][ru] = en;
    }
    return maps;
}

inline nlohmann::json testRules() {
    using nlohmann::json;
    json rules;
    rules["keyboard_layout"]["maps"] = englishRussianMaps();
    rules["tokenization"] = {{"word_boundaries", {".", ",", "!", "?", ";", ":", ")", "\""}},
                             {"mixed_script_auto", true}};
    rules["protected_patterns"] = json::array({
        {{"id", "url"}, {"regex", "^(https?://|www\\.)"}, {"case_insensitive", true}},
        {{"id", "email"}, {"regex", "^[^@]+@[^@]+$"}},
        {{"id", "identifier"}, {"regex", "^[a-z]+(_[a-z0-9]+)+$"}},
    });
    rules["languages"]["en"] = {
        {"script", "latin"},
        {"vowels", {"a", "e", "i", "o", "u", "y"}},
        {"common_words",
         {"hello", "world", "the", "and", "cat", "same", "table", "not", "you", "what", "shall", "we", "meet",
          "tomorrow", "at", "i", "a"}},
    };
    rules["languages"]["ru"] = {
        {"script", "cyrillic"},
        {"vowels", {"а", "е", "ё", "и", "о", "у", "ы", "э", "ю", "я"}},
        {"common_words",
         {"привет", "как", "дела", "что", "было", "надо", "спасибо", "съезд", "мир", "добрый", "вы", "мы",
          "бы", "цена"}},
    };
    rules["languages"]["uk"] = {
        {"script", "cyrillic"},
        {"common_words", {"привіт", "дякую", "добрий", "день", "як", "справи", "ціна", "ми"}},
    };
    rules["manual_overrides"] = {{"exact_pairs", {{"ntcn", "тест"}}}, {"never_correct", {"lol"}}};
    return rules;
}

inline RulesConfig testConfig(std::vector<Language> active = {Language::en, Language::ru, Language::uk},
                              const nlohmann::json& rules = testRules()) {
    RulesConfig config = RulesConfig::parse(rules);
    config.activeLanguages = std::move(active);
    return config;
}

// Puts the built-in keyboard maps of the given directions into the rules.
inline void addBuiltInMaps(nlohmann::json& rules, std::initializer_list<LayoutDirection> directions) {
    for (const LayoutDirection& direction : directions) {
        for (const auto& [key, value] : KeyboardMaps::defaultKeyboardMaps().at(direction)) {
            rules["keyboard_layout"]["maps"][direction.name()][key] = value;
        }
    }
}

// What a typed word becomes on the screen: its correction, or the word as it was typed.
inline std::string typedWord(const RulesEngine& engine, const std::string& word, const LineContext& line = {},
                             std::optional<Language> layout = std::nullopt) {
    const RulesDecision d = engine.evaluate(word, "", false, layout, std::nullopt, line);
    return d.shouldCorrect() ? d.correctedToken.value_or("?") : word;
}

} // namespace keyvane::testing
