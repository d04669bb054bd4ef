// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/AppExclusionConfig.h"
#include "KeyvaneCore/DecisionConfig.h"
#include "KeyvaneCore/LanguageConfig.h"
#include "KeyvaneCore/RulesSections.h"
#include "KeyvaneCore/UserPreferences.h"

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// Everything the rules engine runs on, parsed from the rules file. Built whole and replaced
// whole; parsing never fails on content: every missing or mistyped value takes its default.
struct RulesConfig {
    KeyboardLayoutConfig keyboardLayout;
    TokenizationConfig tokenization;
    std::vector<ProtectedPattern> protectedPatterns;
    DecisionConfig decision;
    std::map<Language, LanguageConfig> languages;
    LayoutSuspicionConfig layoutSuspicion;
    ManualOverridesConfig manualOverrides;
    std::vector<GoldenTest> goldenTests;
    // From the user's preferences, not from the rules file.
    std::map<std::string, AppExclusionConfig> excludedApps;
    // In priority order.
    std::vector<Language> activeLanguages{Language::en};

    // The configuration of a decoded rules file. A top level that is not an object counts as
    // an empty object.
    static RulesConfig parse(const nlohmann::json& document);

    // The engine's configuration: the rules file with the user's manual overrides in place of its
    // own seed (none given: no overrides at all), and the exclusions and active languages of the
    // user's preferences. Never fails.
    static RulesConfig load(const nlohmann::json& engineJSON,
                            const std::optional<nlohmann::json>& manualOverrides,
                            const UserPreferences& userPrefs);

    // Maps the full vocabulary of every configured language that has one (see
    // AppPaths::vocabularyPath); a file mapped once is shared by every later configuration.
    void useShippedVocabularies();

    // Decodes rules-file text. Nothing when the text is not valid JSON; `error` then says why.
    static std::optional<nlohmann::json> decode(std::string_view text, std::string* error = nullptr);
};

} // namespace keyvane
