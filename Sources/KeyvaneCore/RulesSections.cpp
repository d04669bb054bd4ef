// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesSections.h"

#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/UnicodeText.h"

namespace keyvane {
namespace {

using JsonValues::Json;

constexpr std::string_view shiftSuffix = "_shift";
constexpr std::string_view directionSeparator = "_to_";

// "en_to_ru" → (en, ru); nothing unless the name splits into exactly two language codes.
std::optional<LayoutDirection> directionFromName(std::string_view name) {
    auto at = name.find(directionSeparator);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view from = name.substr(0, at);
    std::string_view to = name.substr(at + directionSeparator.size());
    std::optional<Language> fromLanguage = languageFromString(from);
    std::optional<Language> toLanguage = languageFromString(to);
    if (!fromLanguage || !toLanguage) {
        return std::nullopt;
    }
    return LayoutDirection{*fromLanguage, *toLanguage};
}

// An object whose values are all strings, as a keyboard map; nothing otherwise.
std::optional<KeyboardMap> keyboardMapFrom(const Json& value) {
    if (!value.is_object()) {
        return std::nullopt;
    }
    KeyboardMap map;
    for (const auto& [key, target] : value.items()) {
        if (!target.is_string()) {
            return std::nullopt;
        }
        const auto& text = target.get_ref<const std::string&>();
        if (key.empty() || text.empty()) {
            continue;
        }
        map[UnicodeText::firstGrapheme(key)] = UnicodeText::firstGrapheme(text);
    }
    return map;
}

void readBool(const Json& object, const char* key, bool& field) {
    if (auto value = JsonValues::boolean(JsonValues::member(object, key))) {
        field = *value;
    }
}

void readInt(const Json& object, const char* key, int& field) {
    if (auto value = JsonValues::integer(JsonValues::member(object, key))) {
        field = *value;
    }
}

std::vector<LayoutSuspicionRule> suspicionRules(const Json& section, const char* key) {
    std::vector<LayoutSuspicionRule> rules;
    auto objects = JsonValues::objectList(JsonValues::member(section, key));
    if (!objects) {
        return rules;
    }
    for (const Json* object : *objects) {
        auto pattern = JsonValues::string(JsonValues::member(*object, "regex"));
        auto bonus = JsonValues::number(JsonValues::member(*object, "bonus_to_candidate"));
        if (!pattern || !bonus) {
            continue;
        }
        if (auto regex = CompiledRegex::compile(*pattern)) {
            rules.push_back({std::move(*regex), *bonus});
        }
    }
    return rules;
}

// An object of strings, entry by entry: entries whose value is not a string are skipped.
template <typename Visit> void forEachStringEntry(const Json* object, Visit&& visit) {
    if (object == nullptr || !object->is_object()) {
        return;
    }
    for (auto it = object->begin(); it != object->end(); ++it) {
        if (const std::string* text = it.value().template get_ptr<const std::string*>()) {
            visit(it.key(), *text);
        }
    }
}

} // namespace

KeyboardLayoutConfig parseKeyboardLayout(const Json& section) {
    KeyboardLayoutConfig config;
    readBool(section, "preserve_case", config.preserveCase);
    readBool(section, "preserve_unknown_characters", config.preserveUnknownCharacters);

    const Json* maps = JsonValues::objectMember(section, "maps");
    if (maps == nullptr) {
        return config;
    }
    KeyboardMapsByDirection lower;
    KeyboardMapsByDirection shift;
    for (const auto& [entryName, value] : maps->items()) {
        auto map = keyboardMapFrom(value);
        if (!map) {
            continue;
        }
        std::string_view name = entryName;
        bool isShift = name.size() >= shiftSuffix.size() && name.ends_with(shiftSuffix);
        if (isShift) {
            name.remove_suffix(shiftSuffix.size());
        }
        auto direction = directionFromName(name);
        if (!direction) {
            continue;
        }
        (isShift ? shift : lower)[*direction] = std::move(*map);
    }
    for (const auto& [direction, map] : KeyboardMaps::defaultKeyboardMaps()) {
        lower.try_emplace(direction, map);
    }
    for (const auto& [direction, map] : KeyboardMaps::defaultKeyboardShiftMaps()) {
        shift.try_emplace(direction, map);
    }
    config.maps = std::move(lower);
    config.shiftMaps = std::move(shift);
    return config;
}

TokenizationConfig parseTokenization(const Json& section) {
    TokenizationConfig config;
    if (auto boundaries = JsonValues::stringList(JsonValues::member(section, "word_boundaries"))) {
        config.wordBoundaries = JsonValues::characterSet(*boundaries);
    }
    readBool(section, "strip_boundary_before_scoring", config.stripBoundaryBeforeScoring);
    readBool(section, "preserve_boundary_after_replacement", config.preserveBoundaryAfterReplacement);
    readInt(section, "max_token_length_for_auto", config.maxTokenLengthForAuto);
    readInt(section, "min_token_length_for_auto", config.minTokenLengthForAuto);
    readBool(section, "auto_skip_length_1", config.autoSkipLength1);
    readBool(section, "auto_length_2_requires_exact_common_or_override",
             config.autoLength2RequiresExactCommonOrOverride);
    readBool(section, "mixed_script_auto", config.mixedScriptAuto);
    readBool(section, "digits_in_token_auto", config.digitsInTokenAuto);
    return config;
}

std::vector<ProtectedPattern> parseProtectedPatterns(const Json& section) {
    std::vector<ProtectedPattern> patterns;
    auto objects = JsonValues::objectList(&section);
    if (!objects) {
        return patterns;
    }
    for (const Json* object : *objects) {
        auto id = JsonValues::string(JsonValues::member(*object, "id"));
        auto pattern = JsonValues::string(JsonValues::member(*object, "regex"));
        if (!id || !pattern) {
            continue;
        }
        bool caseInsensitive =
            JsonValues::boolean(JsonValues::member(*object, "case_insensitive")).value_or(false);
        if (auto regex = CompiledRegex::compile(*pattern, caseInsensitive)) {
            patterns.push_back({std::move(*id), std::move(*regex)});
        }
    }
    return patterns;
}

LayoutSuspicionConfig parseLayoutSuspicion(const Json& section) {
    return {suspicionRules(section, "latin_raw_suspicious_for_ru"),
            suspicionRules(section, "cyrillic_raw_suspicious_for_en")};
}

ManualOverridesConfig parseManualOverrides(const Json& section) {
    ManualOverridesConfig config;
    forEachStringEntry(JsonValues::member(section, "exact_pairs"),
                       [&](const std::string& source, const std::string& target) {
                           config.exactPairs[UnicodeText::toLower(source)] = target;
                       });
    if (auto never = JsonValues::stringList(JsonValues::member(section, "never_correct"))) {
        config.neverCorrect = JsonValues::lowerCasedSet(*never);
    }
    if (const Json* meta = JsonValues::objectMember(section, "exact_pairs_meta")) {
        for (const auto& [source, value] : meta->items()) {
            auto dst = JsonValues::string(JsonValues::member(value, "dst"));
            if (auto language = dst ? languageFromString(UnicodeText::toLower(*dst)) : std::nullopt) {
                config.exactPairTargetLang[UnicodeText::toLower(source)] = *language;
            }
        }
    }
    forEachStringEntry(JsonValues::member(section, "never_correct_meta"),
                       [&](const std::string& word, const std::string& code) {
                           if (auto language = languageFromString(UnicodeText::toLower(code))) {
                               config.neverCorrectLang[UnicodeText::toLower(word)] = *language;
                           }
                       });
    return config;
}

std::vector<GoldenTest> parseGoldenTests(const Json& section) {
    std::vector<GoldenTest> tests;
    auto objects = JsonValues::objectList(&section);
    if (!objects) {
        return tests;
    }
    for (const Json* object : *objects) {
        auto field = [&](const char* key) { return JsonValues::string(JsonValues::member(*object, key)); };
        auto input = field("input");
        auto expected = field("expected");
        auto mode = field("mode");
        auto reason = field("reason");
        if (!input || !expected || !mode || !reason) {
            continue;
        }
        tests.push_back({std::move(*input), std::move(*expected), std::move(*mode), std::move(*reason),
                         field("active_input_source"), field("expected_source_lang"),
                         field("session_language")});
    }
    return tests;
}

} // namespace keyvane
