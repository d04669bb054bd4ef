// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/CompiledRegex.h"
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/Models.h"

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

// The smaller sections of the rules file, each with its tolerant parser.
namespace keyvane {

// "keyboard_layout": lower and shift maps per direction. Directions the file leaves out come
// from the built-in tables; a direction the file gives replaces its default whole.
struct KeyboardLayoutConfig {
    KeyboardMapsByDirection maps = KeyboardMaps::defaultKeyboardMaps();
    KeyboardMapsByDirection shiftMaps = KeyboardMaps::defaultKeyboardShiftMaps();
    // Directions whose maps came from the desktop's own keymap instead of the rules file.
    std::vector<LayoutDirection> fromDesktop;
    bool preserveCase = true;
    bool preserveUnknownCharacters = true;
};

// "tokenization": which tokens are considered for automatic correction.
struct TokenizationConfig {
    StringSet wordBoundaries;
    bool stripBoundaryBeforeScoring = true;
    bool preserveBoundaryAfterReplacement = true;
    int maxTokenLengthForAuto = 32;
    int minTokenLengthForAuto = 2;
    bool autoSkipLength1 = true;
    bool autoLength2RequiresExactCommonOrOverride = true;
    bool mixedScriptAuto = false;
    bool digitsInTokenAuto = false;
};

// A pattern (URL, e-mail address, identifier, …) whose tokens are never corrected unless the
// candidate is overwhelming.
struct ProtectedPattern {
    std::string id;
    CompiledRegex regex;
};

struct LayoutSuspicionRule {
    CompiledRegex regex;
    double bonus = 0;
};

// "layout_suspicion": raw text that looks typed on the wrong layout.
struct LayoutSuspicionConfig {
    std::vector<LayoutSuspicionRule> latinSuspiciousForRu;
    std::vector<LayoutSuspicionRule> cyrillicSuspiciousForEn;
};

// "manual_overrides": learned and user-edited pairs and exceptions. Keys are lower-cased.
struct ManualOverridesConfig {
    StringMap<std::string> exactPairs;
    StringSet neverCorrect;
    // The language a learned pair corrects into, and the one a word left alone was written in;
    // entries naming no language are skipped.
    StringMap<Language> exactPairTargetLang;
    StringMap<Language> neverCorrectLang;
};

// One regression case of "golden_tests".
struct GoldenTest {
    std::string input;
    std::string expected;
    std::string mode;
    std::string reason;
    std::optional<std::string> activeInputSource;
    std::optional<std::string> expectedSourceLang;
    std::optional<std::string> sessionLanguage;
};

KeyboardLayoutConfig parseKeyboardLayout(const nlohmann::json& section);
TokenizationConfig parseTokenization(const nlohmann::json& section);
std::vector<ProtectedPattern> parseProtectedPatterns(const nlohmann::json& section);
LayoutSuspicionConfig parseLayoutSuspicion(const nlohmann::json& section);
ManualOverridesConfig parseManualOverrides(const nlohmann::json& section);
std::vector<GoldenTest> parseGoldenTests(const nlohmann::json& section);

} // namespace keyvane
