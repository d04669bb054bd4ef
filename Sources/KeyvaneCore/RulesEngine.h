// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/LayoutDirection.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesDecision.h"
#include "KeyvaneCore/RulesDiagnostic.h"
#include "KeyvaneCore/ScoreBreakdown.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

struct EngineIndex;
class RulesEvaluation;

// What the words already typed on the line being typed say about the next one.
struct LineContext {
    std::optional<Language> language; // the line's language, if its words tell one
    // Words of this line typed on the layout now active were corrected into that language: the
    // user is typing the line on the wrong layout, so a word that reads as the source language
    // too is more likely meant in the line's one.
    bool typedOnWrongLayout = false;
};

// Converted text and the language whose layout the caller switches to.
struct ManualConversionResult {
    std::string text;
    Language targetLanguage = Language::en;

    bool operator==(const ManualConversionResult&) const = default;
};

// Decides for each finished word whether it was typed in the wrong layout, and converts text
// between layouts on request. A function of its configuration and its arguments: it keeps no
// state between calls, never throws and never logs. Not internally synchronised: use one
// engine from one thread.
class RulesEngine {
public:
    explicit RulesEngine(RulesConfig config);
    ~RulesEngine();
    RulesEngine(const RulesEngine&) = delete;
    RulesEngine& operator=(const RulesEngine&) = delete;

    const RulesConfig& config() const { return config_; }
    // Replaces the whole configuration; later calls see the new one.
    void reloadConfig(RulesConfig config);

    // The decision for one word as the token buffer emitted it (it may end with punctuation).
    // `line` is what the words already typed on the same line say (`LineLanguageEvidence`): its
    // language stands before the session's streak, and where it names the target it also lets a
    // word be corrected whose typed form is a word of its own ("файлі" for "файлы").
    RulesDecision evaluate(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                           std::optional<Language> activeInputSource, std::optional<Language> sessionLanguage,
                           const LineContext& line = {}) const;
    // The same decision with every intermediate value, for the developer's input diagnostic.
    RulesDiagnostic diagnose(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                             std::optional<Language> sessionLanguage, const LineContext& line = {}) const;

    // A word typed key for key in another layout, through the configured keyboard maps.
    std::string mapToken(std::string_view token, const LayoutDirection& direction) const;
    static std::string preserveCase(std::string_view original, std::string_view replacement) {
        return KeyboardMaps::preserveCase(original, replacement);
    }
    // Selected text converted (the source and target guessed, or the target given).
    ManualConversionResult convertSelectionSmart(std::string_view text,
                                                 std::optional<Language> activeInputSource) const;
    ManualConversionResult convertSelection(std::string_view text, Language target) const;
    // A one-letter word typed just before a word corrected from `from` to `to`, rendered into `to`
    // when that reading is a common word there and the letter no word of `from` ("z" is "я").
    std::optional<std::string> convertOneLetterWord(std::string_view word, Language from, Language to) const;

    // What a word says of its language: the one configured language whose alphabet covers its
    // letters; the language of a learned pair; the active languages that know it (in priority
    // order); a configured language whose alphabet covers it (active ones first).
    std::optional<Language> uniqueAlphabetLanguage(std::string_view word) const;
    std::optional<Language> exactPairTargetLanguage(std::string_view word) const;
    std::vector<Language> languagesOfWord(std::string_view word) const;
    std::optional<Language> detectLanguage(std::string_view text) const;

    // The score delta and minimum candidate score required of a word of `length` characters.
    std::pair<double, double> thresholdsFor(int length) const;
    // Every step of the decision on the configuration of now (RulesEngineInternals.h).
    RulesEvaluation evaluation() const;

private:
    RulesConfig config_;
    std::unique_ptr<EngineIndex> index_;
};

} // namespace keyvane
