// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesConfig.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/UserDataFile.h"

#include <nlohmann/json.hpp>

namespace keyvane {

namespace {

const nlohmann::json emptyObject = nlohmann::json::object();

// The sections of a rules file, with the manual overrides taken from `overrides` (an object).
RulesConfig parseSections(const nlohmann::json& document, const nlohmann::json& overrides) {
    static const nlohmann::json emptyArray = nlohmann::json::array();
    auto object = [&](const char* key) -> const nlohmann::json& {
        const nlohmann::json* value = JsonValues::objectMember(document, key);
        return value != nullptr ? *value : emptyObject;
    };
    auto array = [&](const char* key) -> const nlohmann::json& {
        const nlohmann::json* value = JsonValues::arrayMember(document, key);
        return value != nullptr ? *value : emptyArray;
    };

    RulesConfig config;
    config.keyboardLayout = parseKeyboardLayout(object("keyboard_layout"));
    config.tokenization = parseTokenization(object("tokenization"));
    config.protectedPatterns = parseProtectedPatterns(array("protected_patterns"));
    config.decision = parseDecision(object("decision"));
    config.languages = parseLanguages(object("languages"));
    config.layoutSuspicion = parseLayoutSuspicion(object("layout_suspicion"));
    config.manualOverrides = parseManualOverrides(overrides.is_object() ? overrides : emptyObject);
    config.goldenTests = parseGoldenTests(array("golden_tests"));
    return config;
}

} // namespace

RulesConfig RulesConfig::parse(const nlohmann::json& document) {
    const nlohmann::json* overrides = JsonValues::objectMember(document, "manual_overrides");
    return parseSections(document, overrides != nullptr ? *overrides : emptyObject);
}

RulesConfig RulesConfig::load(const nlohmann::json& engineJSON,
                              const std::optional<nlohmann::json>& manualOverrides,
                              const UserPreferences& userPrefs) {
    // The user's overrides stand in for the file's own seed; the document itself is not copied
    // (it is the biggest thing the program ever holds).
    RulesConfig config = parseSections(engineJSON.is_object() ? engineJSON : emptyObject,
                                       manualOverrides ? *manualOverrides : emptyObject);
    config.excludedApps = userPrefs.excludedApps;
    config.activeLanguages.clear();
    for (const std::string& code : userPrefs.activeLanguages) {
        if (auto language = languageFromString(code)) {
            config.activeLanguages.push_back(*language);
        }
    }
    return config;
}

std::optional<nlohmann::json> RulesConfig::decode(std::string_view text, std::string* error) {
    return UserDataFile::parse(text, error);
}

void RulesConfig::useShippedVocabularies() {
    // Mapped once per process: a reload after the user taught a word maps nothing again.
    static std::map<Language, std::shared_ptr<const Vocabulary>> mapped;
    for (auto& [key, language] : languages) {
        auto found = mapped.find(key);
        if (found == mapped.end()) {
            const std::optional<std::string> path = AppPaths::vocabularyPath(toString(key));
            found = mapped.emplace(key, path ? Vocabulary::map(*path) : nullptr).first;
        }
        language.vocabulary = found->second;
    }
}

} // namespace keyvane
