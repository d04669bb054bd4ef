// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace keyvane {

// The score of one string read as a word of one language: a sum of weighted components.
// Penalties hold their (negative) weight; nothing is subtracted.
struct ScoreBreakdown {
    double exactCommonWord = 0;
    double exactPhraseStart = 0;
    double exactSeedPair = 0;
    double vowelBonus = 0;
    double strongWordStart = 0;
    double weakWordStart = 0;
    double strongWordEnd = 0;
    double weakWordEnd = 0;
    double bigramScore = 0;
    double trigramScore = 0;
    double impossiblePatternPenalty = 0;
    double rarePatternPenalty = 0;
    double layoutSuspicion = 0;
    double neverCorrectPenalty = 0;
    double learnedSuffixBoost = 0;
    double frequentTokenBonus = 0;
    double priorityPenalty = 0;

    double total() const {
        return exactCommonWord + exactPhraseStart + exactSeedPair + vowelBonus + strongWordStart +
               weakWordStart + strongWordEnd + weakWordEnd + bigramScore + trigramScore +
               impossiblePatternPenalty + rarePatternPenalty + layoutSuspicion + neverCorrectPenalty +
               learnedSuffixBoost + frequentTokenBonus + priorityPenalty;
    }
};

// One adjacent pair of characters and what it contributed to the bigram score.
struct BigramScoreDetail {
    std::string bigram;
    double weight = 0;
    bool isUnknown = false;
};

} // namespace keyvane
