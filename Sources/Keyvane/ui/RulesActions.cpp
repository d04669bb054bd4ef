// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/RulesActions.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/RulesFile.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserPreferences.h"

#include <algorithm>

namespace keyvane::RulesActions {

namespace {

using nlohmann::json;

bool hasCyrillic(const std::string& word) {
    // Cyrillic letters are U+0400 to U+04FF: UTF-8 lead bytes 0xD0 to 0xD3.
    return std::any_of(word.begin(), word.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0xD0 && byte <= 0xD3;
    });
}

std::string normalized(const std::string& word) {
    return UnicodeText::toLower(UnicodeText::trimWhitespace(word));
}

void sortRows(Rules& rules) {
    std::sort(rules.pairs.begin(), rules.pairs.end(),
              [](const PairRow& a, const PairRow& b) { return a.typed < b.typed; });
    std::sort(rules.exceptions.begin(), rules.exceptions.end(),
              [](const ExceptionRow& a, const ExceptionRow& b) { return a.word < b.word; });
}

bool contains(const std::string& word, const std::string& lowerSearch) {
    return UnicodeText::toLower(word).find(lowerSearch) != std::string::npos;
}

} // namespace

std::string detectLanguage(const std::string& word, const std::vector<std::string>& activeLanguages) {
    if (!hasCyrillic(word)) {
        return "en";
    }
    for (const std::string& language : activeLanguages) {
        if (language == "ru" || language == "uk") {
            return language;
        }
    }
    return "ru";
}

Rules load() {
    const std::vector<std::string> active =
        UserPreferences::load(UserPreferences::defaultPath()).activeLanguages;
    const json overrides = ManualOverridesFile::load(RulesFile::read().value_or(json::object()));
    Rules rules;
    const json* pairs = JsonValues::objectMember(overrides, "exact_pairs");
    const json* pairsMeta = JsonValues::objectMember(overrides, "exact_pairs_meta");
    if (pairs != nullptr) {
        for (const auto& [typed, corrected] : pairs->items()) {
            if (!corrected.is_string()) {
                continue;
            }
            PairRow row{detectLanguage(typed, active), typed, "", corrected.get<std::string>()};
            row.toLanguage = detectLanguage(row.corrected, active);
            if (pairsMeta != nullptr && pairsMeta->contains(typed) && (*pairsMeta)[typed].is_object()) {
                const json& meta = (*pairsMeta)[typed];
                row.fromLanguage =
                    JsonValues::string(JsonValues::member(meta, "src")).value_or(row.fromLanguage);
                row.toLanguage = JsonValues::string(JsonValues::member(meta, "dst")).value_or(row.toLanguage);
            }
            rules.pairs.push_back(row);
        }
    }
    const json* neverMeta = JsonValues::objectMember(overrides, "never_correct_meta");
    for (const std::string& word : JsonValues::stringList(JsonValues::member(overrides, "never_correct"))
                                       .value_or(std::vector<std::string>{})) {
        ExceptionRow row{detectLanguage(word, active), word};
        if (neverMeta != nullptr && neverMeta->contains(word) && (*neverMeta)[word].is_string()) {
            row.language = (*neverMeta)[word].get<std::string>();
        }
        rules.exceptions.push_back(row);
    }
    sortRows(rules);
    return rules;
}

bool save(const Rules& rules) {
    json pairs = json::object();
    json pairsMeta = json::object();
    for (const PairRow& row : rules.pairs) {
        pairs[row.typed] = row.corrected;
        pairsMeta[row.typed] = {{"src", row.fromLanguage}, {"dst", row.toLanguage}};
    }
    std::vector<std::string> never;
    json neverMeta = json::object();
    for (const ExceptionRow& row : rules.exceptions) {
        never.push_back(row.word);
        neverMeta[row.word] = row.language;
    }
    if (!ManualOverridesFile::replaceUserRules(pairs, pairsMeta, never, neverMeta)) {
        return false;
    }
    appLog("[Keyvane] Rules config updated from Settings");
    return true;
}

bool addPair(Rules& rules, PairRow pair) {
    pair.typed = normalized(pair.typed);
    pair.corrected = normalized(pair.corrected);
    if (pair.typed.empty() || pair.corrected.empty()) {
        return false;
    }
    std::erase_if(rules.pairs, [&](const PairRow& row) { return row.typed == pair.typed; });
    rules.pairs.push_back(pair);
    sortRows(rules);
    return true;
}

bool addException(Rules& rules, ExceptionRow exception) {
    exception.word = normalized(exception.word);
    if (exception.word.empty()) {
        return false;
    }
    std::erase_if(rules.exceptions, [&](const ExceptionRow& row) { return row.word == exception.word; });
    rules.exceptions.push_back(exception);
    sortRows(rules);
    return true;
}

bool matches(const PairRow& row, const std::string& search) {
    const std::string lower = UnicodeText::toLower(search);
    return lower.empty() || contains(row.typed, lower) || contains(row.corrected, lower);
}

bool matches(const ExceptionRow& row, const std::string& search) {
    const std::string lower = UnicodeText::toLower(search);
    return lower.empty() || contains(row.word, lower);
}

} // namespace keyvane::RulesActions
