// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/Language.h"

#include <optional>
#include <string>

namespace keyvane {

// Why the engine corrected a word or left it alone. Printed as the snake_case code.
enum class DecisionReason {
    excludedApp,
    ambiguousTrailingUnknownStem,
    emptyToken,
    tooShort,
    tooLong,
    mixedScript,
    containsDigits,
    unknownScript,
    neverCorrect,
    exactSeedPair,
    noTargetLanguage,
    noMappingChange,
    length1NoExactPair,
    layoutMismatchLength1,
    length2NoExactMatch,
    length2SessionMismatch,
    sameScriptTooShort,
    sameScriptRequiresKnownWord,
    sameScriptSourceIsKnownWord,
    sameScriptSourceIsInflectedWord,
    candidateScoreTooLow,
    highConfidenceGibberishBypass,
    knownWordOverNonWord,
    partsAreWords,
    lineReadsPunctuationKeys,
    readingIsKnownWord,
    lowConfidence,
    protectedPattern,
    layoutMismatch,
    layoutMismatchProtectedOverride,
    ambiguousTarget,
    sessionLanguageTieBreak,
    mixedScriptNoClearWinner,
    mixedScriptDualEval,
};

// "layout_mismatch", "too_short", …
const char* toString(DecisionReason reason);

// The engine's answer for one typed word: it corrects exactly when it gives the word to type.
struct RulesDecision {
    std::optional<std::string> correctedToken; // with any trailing punctuation
    double confidence = 0;
    DecisionReason reason = DecisionReason::emptyToken;
    double originalScore = 0;
    double candidateScore = 0;
    std::optional<Language> sourceLanguage;
    std::optional<Language> targetLanguage;

    bool shouldCorrect() const { return correctedToken.has_value(); }

    static RulesDecision refusal(DecisionReason reason, double confidence = 0, double originalScore = 0,
                                 double candidateScore = 0) {
        return make(std::nullopt, reason, confidence, originalScore, candidateScore);
    }
    static RulesDecision correction(std::string word, DecisionReason reason, double confidence,
                                    double originalScore, double candidateScore) {
        return make(std::move(word), reason, confidence, originalScore, candidateScore);
    }

private:
    static RulesDecision make(std::optional<std::string> word, DecisionReason reason, double confidence,
                              double originalScore, double candidateScore) {
        return {.correctedToken = std::move(word),
                .confidence = confidence,
                .reason = reason,
                .originalScore = originalScore,
                .candidateScore = candidateScore,
                .sourceLanguage = std::nullopt,
                .targetLanguage = std::nullopt};
    }
};

} // namespace keyvane
