// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/KeyvaneDiagnosticAnalyzer.h"

#include "KeyvaneCore/UnicodeText.h"

#include <map>

namespace keyvane {

std::optional<KeyvaneDirection> directionFor(Language language) {
    switch (language) {
    case Language::en: return KeyvaneDirection::ruTypedAsEn;
    case Language::ru: return KeyvaneDirection::enTypedAsRu;
    case Language::uk: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<KeyvaneDirection> KeyvaneDiagnosticAnalyzer::detectDirection(const std::string& original) {
    bool cyrillic = false;
    bool latin = false;
    for (const std::string& c : UnicodeText::graphemes(original)) {
        if (!UnicodeText::isLetter(c)) {
            continue;
        }
        int32_t scalar = UnicodeText::firstCodePoint(c);
        if (scalar >= 0x0400 && scalar <= 0x04FF) {
            cyrillic = true;
        } else if ((scalar >= 'A' && scalar <= 'Z') || (scalar >= 'a' && scalar <= 'z')) {
            latin = true;
        }
    }
    if (latin && !cyrillic) {
        return KeyvaneDirection::ruTypedAsEn;
    }
    if (cyrillic && !latin) {
        return KeyvaneDirection::enTypedAsRu;
    }
    return std::nullopt;
}

std::string KeyvaneDiagnosticAnalyzer::humanReason(const std::string& reasonCode) {
    static const std::map<std::string, std::string> texts = {
        {"exact_seed_pair", "exact user-defined pair"},
        {"layout_mismatch", "high confidence layout match"},
        {"low_confidence", "final score below threshold"},
        {"candidate_score_too_low", "final score below threshold"},
        {"no_mapping_change", "no matching rule"},
        {"protected_pattern", "protected pattern"},
        {"mixed_script", "mixed script token"},
        {"contains_digits", "token contains digits"},
        {"too_short", "token too short"},
        {"too_long", "token too long"},
        {"never_correct", "in never-correct list"},
        {"length_1_no_exact_pair", "single character without exact pair"},
        {"length_2_no_exact_match", "two characters without curated short-word match"},
        {"length_2_session_mismatch", "two characters, session language disagrees with target"},
        {"known_word_over_non_word", "the one reading that is a word, over a correction into no word"},
        {"parts_are_words", "every part of the word (between hyphens, after initials) reads as a word"},
        {"reading_is_known_word", "the reading is a word of its language, what was typed a word of none"},
        {"line_reads_punctuation_keys",
         "keys that are punctuation here spell a common word of the line's language"},
        {"unknown_script", "unknown script"},
        {"empty_token", "empty token"},
    };
    auto it = texts.find(reasonCode);
    return it == texts.end() ? reasonCode : it->second;
}

std::optional<KeyvaneMissedCandidate> KeyvaneDiagnosticAnalyzer::diagnoseMissed(const std::string& word,
                                                                                Language expected) const {
    auto direction = detectDirection(word);
    if (!direction || direction != directionFor(expected)) {
        return std::nullopt;
    }
    RulesDecision decision = engine_.evaluate(word, "cli.verification", false, std::nullopt, std::nullopt);
    if (decision.shouldCorrect()) {
        return std::nullopt;
    }
    std::string mapped =
        engine_.mapToken(word, expected == Language::en ? LayoutDirection::enToRu : LayoutDirection::ruToEn);
    std::optional<std::string> expectedWord =
        mapped == word ? std::nullopt : std::optional<std::string>(mapped);

    std::optional<double> finalScore;
    std::optional<double> threshold;
    const DecisionConfig& decisionConfig = engine_.config().decision;
    if (decision.reason == DecisionReason::candidateScoreTooLow) {
        finalScore = decision.candidateScore;
        // The threshold the engine applied: for short words the dynamic curve, not the table.
        threshold = engine_.thresholdsFor(static_cast<int>(UnicodeText::length(word))).second;
    } else if (decision.reason == DecisionReason::lowConfidence) {
        finalScore = decision.confidence;
        threshold = decisionConfig.minConfidence;
    }
    return KeyvaneMissedCandidate{word,
                                  expectedWord,
                                  *direction,
                                  expected,
                                  "ignored",
                                  humanReason(toString(decision.reason)),
                                  decision.confidence,
                                  finalScore,
                                  threshold,
                                  1};
}

} // namespace keyvane
