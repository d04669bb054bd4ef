// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/DecisionConfig.h"

#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace keyvane {
namespace {

using JsonValues::Json;

void readNumber(const Json& object, const char* key, double& field) {
    if (auto value = JsonValues::number(JsonValues::member(object, key))) {
        field = *value;
    }
}

void readNumber(const Json& object, const char* key, const char* alias, double& field) {
    if (auto value = JsonValues::number(JsonValues::member(object, key))) {
        field = *value;
    } else if (auto aliased = JsonValues::number(JsonValues::member(object, alias))) {
        field = *aliased;
    }
}

// A length key: a decimal integer, nothing else. (A key with a '+' is a catch-all.)
std::optional<int> parseLengthKey(const std::string& key) {
    std::string_view digits = key;
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

// A length table: "2" → number, …, and one catch-all entry ("6plus", "6+") for every other
// length. A catch-all whose value is not a number resets the default; another entry whose
// value is not a number is kept with `fallback`.
void parseLengthTable(const Json* table, std::map<int, double>& entries, double& catchAll,
                      double builtInCatchAll, double fallback) {
    if (table == nullptr || !table->is_object()) {
        return;
    }
    for (const auto& [key, value] : table->items()) {
        std::optional<double> number = JsonValues::number(&value);
        if (key.find("plus") != std::string::npos || key.find('+') != std::string::npos) {
            catchAll = number.value_or(builtInCatchAll);
            continue;
        }
        if (auto length = parseLengthKey(key)) {
            entries[*length] = number.value_or(fallback);
        }
    }
}

ScoringWeights parseWeights(const Json& w) {
    ScoringWeights weights;
    readNumber(w, "exact_common_word", weights.exactCommonWord);
    readNumber(w, "exact_phrase_start_word", weights.exactPhraseStartWord);
    readNumber(w, "exact_seed_pair", weights.exactSeedPair);
    readNumber(w, "has_language_vowel", weights.hasLanguageVowel);
    readNumber(w, "missing_language_vowel_len_4_plus", weights.missingLanguageVowelLen4Plus);
    readNumber(w, "strong_word_start", weights.strongWordStart);
    readNumber(w, "weak_word_start", weights.weakWordStart);
    readNumber(w, "strong_word_end", weights.strongWordEnd);
    readNumber(w, "weak_word_end", weights.weakWordEnd);
    readNumber(w, "strong_bigram", weights.strongBigram);
    readNumber(w, "strong_trigram", weights.strongTrigram);
    readNumber(w, "rare_bigram", weights.rareBigram);
    readNumber(w, "rare_trigram", weights.rareTrigram);
    readNumber(w, "impossible_pattern", weights.impossiblePattern);
    readNumber(w, "rare_pattern", weights.rarePattern);
    readNumber(w, "layout_suspicion", weights.layoutSuspicion);
    readNumber(w, "dictionary_never_correct_raw", weights.dictionaryNeverCorrectRaw);
    readNumber(w, "protected_pattern_raw", weights.protectedPatternRaw);
    readNumber(w, "frequent_token_bonus", weights.frequentTokenBonus);
    return weights;
}

DynamicThresholdCurveConfig parseCurve(const Json& c) {
    DynamicThresholdCurveConfig curve;
    if (auto enabled = JsonValues::boolean(JsonValues::member(c, "enabled"))) {
        curve.enabled = *enabled;
    }
    readNumber(c, "candidate_base_at_len_5", "baseAtLen5", curve.candidateBaseAtLen5);
    readNumber(c, "candidate_decay_per_shorter_len", "decayPerShorterLen", curve.candidateDecayPerShorterLen);
    readNumber(c, "candidate_floor", "floor", curve.candidateFloor);
    readNumber(c, "delta_base_at_len_5", curve.deltaBaseAtLen5);
    readNumber(c, "delta_decay_per_shorter_len", curve.deltaDecayPerShorterLen);
    readNumber(c, "delta_floor", curve.deltaFloor);
    return curve;
}

// "same_script_letters": {"ы": {"at_end": -28, "elsewhere": 10}, …}. An entry that is no object,
// or whose key is not one character, is left out; a value that is not a number is no value.
std::vector<SameScriptLetter> parseSameScriptLetters(const Json& letters) {
    std::vector<SameScriptLetter> parsed;
    for (const auto& [letter, weights] : letters.items()) {
        if (!weights.is_object() || UnicodeText::length(letter) != 1) {
            continue;
        }
        SameScriptLetter entry{.letter = letter};
        entry.atStart = JsonValues::number(JsonValues::member(weights, "at_start"));
        entry.atEnd = JsonValues::number(JsonValues::member(weights, "at_end"));
        readNumber(weights, "elsewhere", entry.elsewhere);
        parsed.push_back(std::move(entry));
    }
    return parsed;
}

} // namespace

DecisionConfig parseDecision(const Json& section) {
    static const Json emptyObject = Json::object();
    DecisionConfig decision;
    const Json* thresholdsMember = JsonValues::objectMember(section, "auto_thresholds");
    const Json& thresholds = thresholdsMember != nullptr ? *thresholdsMember : emptyObject;

    parseLengthTable(JsonValues::member(thresholds, "min_delta_by_length"), decision.minDeltaByLength,
                     decision.minDeltaDefault, DecisionConfig::defaultMinDelta, 30.0);
    parseLengthTable(JsonValues::member(thresholds, "min_candidate_score_by_length"),
                     decision.minCandidateScoreByLength, decision.minCandidateScoreDefault,
                     DecisionConfig::defaultMinCandidateScore, 50.0);
    readNumber(thresholds, "min_confidence", decision.minConfidence);
    readNumber(thresholds, "phrase_start_bonus_threshold_discount", decision.phraseStartBonusDiscount);
    readNumber(thresholds, "original_exact_common_word_requires_extra_delta",
               decision.originalExactCommonRequiresExtraDelta);
    readNumber(thresholds, "same_script_extra_delta", decision.sameScriptExtraDelta);
    if (auto minLength = JsonValues::number(JsonValues::member(thresholds, "same_script_min_length"))) {
        // Any number, truncated; kept within int range so that a huge value cannot overflow.
        double clamped =
            std::clamp(std::trunc(*minLength), static_cast<double>(std::numeric_limits<int>::min()),
                       static_cast<double>(std::numeric_limits<int>::max()));
        decision.sameScriptMinLength = static_cast<int>(clamped);
    }
    readNumber(thresholds, "protected_pattern_override_min_score", decision.protectedPatternOverrideMinScore);

    const Json* weights = JsonValues::objectMember(section, "scoring_weights");
    decision.scoringWeights = parseWeights(weights != nullptr ? *weights : emptyObject);

    const Json* confidence = JsonValues::objectMember(section, "confidence");
    if (confidence != nullptr) {
        readNumber(*confidence, "scale", decision.confidenceScale);
    }

    const Json* curve = JsonValues::objectMember(section, "dynamic_threshold_curve");
    if (curve == nullptr) {
        curve = JsonValues::objectMember(section, "dynamicThresholdCurve");
    }
    decision.dynamicThresholdCurve = parseCurve(curve != nullptr ? *curve : emptyObject);

    if (const Json* bypass = JsonValues::objectMember(section, "gibberish_bypass")) {
        readNumber(*bypass, "min_delta", decision.gibberishBypass.minDelta);
        readNumber(*bypass, "min_confidence", decision.gibberishBypass.minConfidence);
        readNumber(*bypass, "min_candidate_score", decision.gibberishBypass.minCandidateScore);
    }
    readNumber(section, "target_priority_penalty_per_index", decision.targetPriorityPenaltyPerIndex);
    readNumber(section, "non_dictionary_confidence_cap", decision.nonDictionaryConfidenceCap);
    if (const Json* letters = JsonValues::objectMember(section, "same_script_letters")) {
        decision.sameScriptLetters = parseSameScriptLetters(*letters);
    }
    // One character, or the default stays.
    if (auto ending = JsonValues::string(JsonValues::member(section, "same_script_inflected_ending"));
        ending && UnicodeText::length(*ending) == 1) {
        decision.sameScriptInflectedEnding = *ending;
    }
    return decision;
}

} // namespace keyvane
