// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// The weights of the score components of a candidate word.
struct ScoringWeights {
    double exactCommonWord = 90.0;
    double exactPhraseStartWord = 24.0;
    double exactSeedPair = 120.0;
    double hasLanguageVowel = 8.0;
    double missingLanguageVowelLen4Plus = -26.0;
    double strongWordStart = 9.0;
    double weakWordStart = 4.0;
    double strongWordEnd = 9.0;
    double weakWordEnd = 4.0;
    double strongBigram = 3.0;
    double strongTrigram = 5.0;
    double rareBigram = -10.0;
    double rareTrigram = -16.0;
    double impossiblePattern = -120.0;
    double rarePattern = -34.0;
    double layoutSuspicion = 12.0;
    double dictionaryNeverCorrectRaw = -10000.0;
    double protectedPatternRaw = -10000.0;
    double frequentTokenBonus = 15.0;
};

// Length-dependent candidate-score and margin thresholds for short tokens: a base at five
// characters, a change per character shorter, and a floor.
struct DynamicThresholdCurveConfig {
    bool enabled = true;
    double candidateBaseAtLen5 = 38.0;
    double candidateDecayPerShorterLen = -3.0;
    double candidateFloor = 14.0;
    double deltaBaseAtLen5 = 30.0;
    double deltaDecayPerShorterLen = 8.0;
    double deltaFloor = 10.0;
};

// How a letter typed in one Cyrillic language on the other's layout weighs, by its place in the
// word: Russian "ы" rarely ends a Ukrainian word typed on the Russian layout, "э" rarely starts one.
// At the start wins over at the end; without either, `elsewhere` applies.
struct SameScriptLetter {
    std::string letter;
    std::optional<double> atStart = std::nullopt;
    std::optional<double> atEnd = std::nullopt;
    double elsewhere = 0;
};

// Where a reading with no convincing score is still taken: the typed word is gibberish and the
// reading far better.
struct GibberishBypassConfig {
    double minDelta = 27.0;
    double minConfidence = 0.82;
    double minCandidateScore = 8.0;
};

// Thresholds and weights of the correction decision ("decision" section of the rules file).
struct DecisionConfig {
    static constexpr double defaultMinDelta = 22.0;
    static constexpr double defaultMinCandidateScore = 42.0;

    std::map<int, double> minDeltaByLength;
    double minDeltaDefault = defaultMinDelta;
    std::map<int, double> minCandidateScoreByLength;
    double minCandidateScoreDefault = defaultMinCandidateScore;
    double minConfidence = 0.82;
    double phraseStartBonusDiscount = 6.0;
    double originalExactCommonRequiresExtraDelta = 28.0;
    double sameScriptExtraDelta = 15.0;
    int sameScriptMinLength = 4;
    ScoringWeights scoringWeights;
    double confidenceScale = 18.0;
    double protectedPatternOverrideMinScore = 60.0;
    DynamicThresholdCurveConfig dynamicThresholdCurve;
    GibberishBypassConfig gibberishBypass;
    // Taken off a reading's score per place its language stands after the second in the order of
    // active languages.
    double targetPriorityPenaltyPerIndex = 12.0;
    // The confidence reported for a correction into a word that no word list holds, at most.
    double nonDictionaryConfidenceCap = 0.95;
    // The ending, of the source's letters only, that makes a common word of the source an inflected
    // form of it ("системы" is "система" with "ы"): such a word is not read as the other language.
    std::string sameScriptInflectedEnding = "ы";
    std::vector<SameScriptLetter> sameScriptLetters = {
        {.letter = "ы", .atEnd = -28.0, .elsewhere = 10.0},
        {.letter = "э", .atStart = -20.0, .elsewhere = 4.0},
        {.letter = "ъ", .elsewhere = -6.0},
    };
};

DecisionConfig parseDecision(const nlohmann::json& section);

} // namespace keyvane
