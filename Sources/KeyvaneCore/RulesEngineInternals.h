// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Records shared by the parts of the rules engine: what it precomputes from a configuration,
// and the detailed outcomes from which both the live decision and the diagnostic are read.

#include "KeyvaneCore/KeyMapTable.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/Word.h"

#include <deque>
#include <set>
#include <utility>

namespace keyvane {

struct RulesEngine::Index {
    StringSet letterKeys{};        // characters that some lower map sends to a letter
    StringSet excludedAppsLower{}; // excluded desktop-entry IDs, lower-cased
    KeyboardMap cyrillicToLatinLower{};
    KeyboardMap cyrillicToLatinUpper{};
    std::set<std::pair<std::string, std::string>> sameScriptPairs{};
    std::vector<std::string> detectionOrder{}; // active languages first, then the other keys
    // Script detection: language keys in order (at most 64 take part), and for every letter of
    // any alphabet the languages that hold it, as bits of that order.
    std::vector<std::string> languageKeys{};
    StringMap<std::uint64_t> letterLanguages{};
    std::uint64_t allLanguages = 0;
    CompiledRegex domainOrEmail;
    // Every configured direction's maps, ready to render words.
    std::unordered_map<LayoutDirection, KeyMapTable, LayoutDirectionHash> keyTables{};
};

// Words already split and scores already computed while deciding one word: the same string is
// often scored as the same language for two directions (the typed word against each target).
// Lives for one call only.
struct RulesEngine::ScoreMemo {
    struct Entry {
        const Word* word;
        const LanguageConfig* language;
        bool isSentenceStart;
        ScoreBreakdown breakdown;
    };
    std::optional<std::string> typedForScoring; // the typed word, lower-cased, punctuation around it gone
    std::deque<Word> words;                     // stable addresses
    std::vector<Entry> entries;

    const Word& split(std::string_view text) {
        for (const Word& word : words) {
            if (word.text() == text) {
                return word;
            }
        }
        return words.emplace_back(text);
    }

    ScoreBreakdown score(const RulesEngine& engine, std::string_view text, const LanguageConfig* language,
                         bool isSentenceStart) {
        const Word& word = split(text);
        for (const Entry& e : entries) {
            if (e.word == &word && e.language == language && e.isSentenceStart == isSentenceStart) {
                return e.breakdown;
            }
        }
        entries.push_back(
            {&word, language, isSentenceStart, engine.scoreWord(word, language, isSentenceStart)});
        return entries.back().breakdown;
    }
};

// Whether a word matches a protected pattern, found out when a decision first needs it: most words
// are decided without it, and the patterns are the dearest test of a word. The word's text must
// outlive the check.
class RulesEngine::ProtectedCheck {
public:
    ProtectedCheck() = default;
    ProtectedCheck(const RulesEngine& engine, std::string_view token)
        : engine_(&engine)
        , token_(token) {}
    bool operator()() const {
        if (!value_) {
            value_ = engine_ != nullptr && engine_->matchesProtectedPattern(token_);
        }
        return *value_;
    }

private:
    const RulesEngine* engine_ = nullptr;
    std::string_view token_;
    mutable std::optional<bool> value_;
};

// One source-to-target reading of a word.
struct RulesEngine::DirectionOutcome {
    LayoutDirection direction;
    bool scored = false; // false when the map changed nothing
    std::string candidate;
    std::string source; // sanitised, lower-cased typed word
    std::string candidateLower;
    ScoreBreakdown sourceBreakdown;
    ScoreBreakdown candidateBreakdown; // with suspicion and priority penalty
    double suspicion = 0;
    bool appliedExtraDeltaForCommonOriginal = false;
    bool appliedPhraseStartDiscount = false;
    std::optional<double> requiredDelta;
    std::optional<double> minCandidate;
    std::optional<double> delta;
    std::optional<double> confidence;
    RulesDecision decision;
};

// The two English/Russian readings of a word that mixes alphabets.
struct RulesEngine::MixedOutcome {
    std::string winnerCandidate;
    LayoutDirection winnerDirection;
    ScoreBreakdown winnerBreakdown;
    std::string loserCandidate;
    LayoutDirection loserDirection;
    ScoreBreakdown loserBreakdown;
    double requiredDelta = 0;
    double minCandidate = 0;
    double delta = 0;
    double confidence = 0;
    RulesDecision decision;
};

// A word (trimmed, or whole) through the gates and every direction.
struct RulesEngine::PairOutcome {
    std::string token;
    std::string trailing;
    int length = 0;
    ProtectedCheck isProtected;
    bool isMixed = false;
    bool hasDigits = false;
    bool isNeverCorrect = false;
    bool isExactSeedPair = false;
    std::vector<DirectionOutcome> directions; // generation order
    std::optional<std::size_t> chosen;        // the direction whose record explains the decision
    std::optional<MixedOutcome> mixed;
    RulesDecision decision;
};

// A typed word: the exclusion check, then the trimmed word and, when needed, the whole word.
struct RulesEngine::WordOutcome {
    std::optional<PairOutcome> trimmed;
    std::optional<PairOutcome> full;
    bool usedFull = false;
    RulesDecision decision;
};

} // namespace keyvane
