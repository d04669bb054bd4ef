// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesDecision.h"

namespace keyvane {

const char* toString(DecisionReason reason) {
    switch (reason) {
    case DecisionReason::excludedApp: return "excluded_app";
    case DecisionReason::ambiguousTrailingUnknownStem: return "ambiguous_trailing_unknown_stem";
    case DecisionReason::emptyToken: return "empty_token";
    case DecisionReason::tooShort: return "too_short";
    case DecisionReason::tooLong: return "too_long";
    case DecisionReason::mixedScript: return "mixed_script";
    case DecisionReason::containsDigits: return "contains_digits";
    case DecisionReason::unknownScript: return "unknown_script";
    case DecisionReason::neverCorrect: return "never_correct";
    case DecisionReason::exactSeedPair: return "exact_seed_pair";
    case DecisionReason::noTargetLanguage: return "no_target_language";
    case DecisionReason::noMappingChange: return "no_mapping_change";
    case DecisionReason::length1NoExactPair: return "length_1_no_exact_pair";
    case DecisionReason::layoutMismatchLength1: return "layout_mismatch_length_1";
    case DecisionReason::length2NoExactMatch: return "length_2_no_exact_match";
    case DecisionReason::length2SessionMismatch: return "length_2_session_mismatch";
    case DecisionReason::sameScriptTooShort: return "same_script_too_short";
    case DecisionReason::sameScriptRequiresKnownWord: return "same_script_requires_known_word";
    case DecisionReason::sameScriptSourceIsKnownWord: return "same_script_source_is_known_word";
    case DecisionReason::sameScriptSourceIsInflectedWord: return "same_script_source_is_inflected_word";
    case DecisionReason::candidateScoreTooLow: return "candidate_score_too_low";
    case DecisionReason::highConfidenceGibberishBypass: return "high_confidence_gibberish_bypass";
    case DecisionReason::knownWordOverNonWord: return "known_word_over_non_word";
    case DecisionReason::partsAreWords: return "parts_are_words";
    case DecisionReason::lineReadsPunctuationKeys: return "line_reads_punctuation_keys";
    case DecisionReason::readingIsKnownWord: return "reading_is_known_word";
    case DecisionReason::lowConfidence: return "low_confidence";
    case DecisionReason::protectedPattern: return "protected_pattern";
    case DecisionReason::layoutMismatch: return "layout_mismatch";
    case DecisionReason::layoutMismatchProtectedOverride: return "layout_mismatch_protected_override";
    case DecisionReason::ambiguousTarget: return "ambiguous_target";
    case DecisionReason::sessionLanguageTieBreak: return "session_language_tie_break";
    case DecisionReason::mixedScriptNoClearWinner: return "mixed_script_no_clear_winner";
    case DecisionReason::mixedScriptDualEval: return "mixed_script_dual_eval";
    }
    return "unknown";
}

} // namespace keyvane
