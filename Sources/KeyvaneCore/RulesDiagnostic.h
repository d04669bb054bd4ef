// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesDecision.h"
#include "KeyvaneCore/ScoreBreakdown.h"

#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// One string as the engine scored it, with its bigrams.
struct TokenScoreDetail {
    std::string token;
    Language languageKey = Language::en;
    ScoreBreakdown breakdown;
    std::vector<BigramScoreDetail> bigrams;
    double bigramSumLogProb = 0;
    double bigramNormalized = 0;
    double bigramScale = 0;

    double total() const { return breakdown.total(); }
};

// Every intermediate value behind one decision, for the developer's input diagnostic.
struct RulesDiagnostic {
    std::string rawToken;
    std::string trimmedToken;
    std::string trailingPunctuation;
    int tokenLength = 0;
    std::optional<std::string> detectedDirection; // "RU_TYPED_AS_EN", "MIXED_DUAL_winner=…"
    std::optional<std::string> candidate;
    std::optional<TokenScoreDetail> originalDetail;
    std::optional<TokenScoreDetail> candidateDetail;
    double layoutSuspicionBonus = 0;
    bool isProtectedPattern = false;
    bool isMixedScript = false;
    bool containsDigits = false;
    bool isNeverCorrect = false;
    bool isExactSeedPair = false;
    bool appliedExtraDeltaForCommonOriginal = false;
    bool appliedPhraseStartDiscount = false;
    std::optional<double> requiredDelta;
    std::optional<double> minCandidateScore;
    double minConfidence = 0;
    std::optional<double> delta;
    std::optional<double> confidence;
    RulesDecision decision;
    std::vector<RulesDiagnostic> competingDirections;
};

} // namespace keyvane
