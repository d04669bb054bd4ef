// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Records shared by the parts of the rules engine: what it precomputes from a configuration,
// and the detailed outcomes from which both the live decision and the diagnostic are read.

#include "KeyvaneCore/KeyMapTable.h"
#include "KeyvaneCore/LetterTables.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/Word.h"

#include <memory>
#include <set>
#include <utility>

namespace keyvane {

struct DirectionOutcome;
struct MixedOutcome;
struct PairOutcome;
struct WordOutcome;
struct ScoreMemo;
class ProtectedCheck;

// What the engine works out once from a configuration.
struct EngineIndex {
    StringSet letterKeys{};        // characters that some lower map sends to a letter
    StringSet excludedAppsLower{}; // excluded desktop-entry IDs, lower-cased
    KeyboardMap cyrillicToLatinLower{};
    KeyboardMap cyrillicToLatinUpper{};
    std::set<std::pair<Language, Language>> sameScriptPairs{};
    LanguageSet active{};                   // the active languages, configured or not
    std::vector<Language> detectionOrder{}; // active languages first, then the other keys
    // Script detection: language keys in order (at most 64 take part), and for every letter of
    // any alphabet the languages that hold it, as bits of that order.
    std::vector<Language> languageKeys{};
    StringMap<std::uint64_t> letterLanguages{};
    // The same for every code point below U+0800 (0: no letter of any alphabet), capitals too.
    std::vector<std::uint64_t> smallLetterLanguages{};
    std::uint64_t allLanguages = 0;
    CompiledRegex domainOrEmail;
    // Each language's configuration (none for one the rules file leaves out).
    std::array<const LanguageConfig*, keyvane::allLanguages.size()> languages{};
    // Each configured language's letter tables, by the language's place in the configuration.
    std::vector<std::pair<const LanguageConfig*, LetterTables>> letterTables{};
    // Every configured direction's maps, ready to render words.
    std::unordered_map<LayoutDirection, KeyMapTable, LayoutDirectionHash> keyTables{};
};

// One decision (or conversion) worked out on an engine's configuration and its index: every step
// of the pipeline, for the engine's own parts, its diagnostic and its tests.
class RulesEvaluation {
public:
    RulesEvaluation(const RulesConfig& config, const EngineIndex& index)
        : config_(config)
        , index_(&index) {}

    // What RulesEngine's functions of the same names answer, worked out here.
    RulesDecision evaluate(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                           std::optional<Language> activeInputSource, std::optional<Language> sessionLanguage,
                           const LineContext& line) const;
    RulesDiagnostic diagnose(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                             std::optional<Language> sessionLanguage, const LineContext& line) const;
    std::string mapToken(std::string_view token, const LayoutDirection& direction) const;
    static std::string preserveCase(std::string_view original, std::string_view replacement) {
        return KeyboardMaps::preserveCase(original, replacement);
    }

    // The required score delta and the minimum candidate score the engine applies to a word of
    // `length` characters (the dynamic curve for short words when it is on, else the tables).
    std::pair<double, double> thresholdsFor(int length) const;

    bool matchesProtectedPattern(std::string_view word) const;
    // An e-mail address or a domain ("word" as `text`, prepared for the patterns).
    bool isDomainOrEmail(std::string_view word, const CompiledRegex::Subject& text) const;
    // The one configured language whose alphabet covers the word's letters, if exactly one does.
    std::optional<Language> uniqueAlphabetLanguage(std::string_view word) const;
    std::optional<Language> exactPairTargetLanguage(std::string_view word) const;
    // The active languages that have the finished word among their words (punctuation around it
    // and case ignored), in priority order. What a word says about its line.
    std::vector<Language> languagesOfWord(std::string_view word) const;
    // A configured language whose alphabet covers every letter of the text (active languages
    // first, in priority order, then the others by key).
    std::optional<Language> detectLanguage(std::string_view text) const;

    // Scoring of one lower-cased string as a word of one language (nullptr: all zeros).
    ScoreBreakdown scoreToken(std::string_view token, const LanguageConfig* language,
                              bool isSentenceStart) const;
    ScoreBreakdown scoreWord(const Word& word, const LanguageConfig* language, bool isSentenceStart) const;
    struct BigramScoring {
        std::vector<BigramScoreDetail> bigrams;
        double sumLogProb = 0;
        double normalized = 0;
    };
    BigramScoring bigramScoringDetail(std::string_view token, const LanguageConfig* language) const;
    int countUnknownBigrams(const Word& word, const LanguageConfig* language) const;
    // The word without the punctuation before and after it; what is scored of a typed word and of
    // its candidate.
    static std::string sanitizeSourceForScoring(std::string_view source);
    // A candidate without the sentence punctuation before and after it: what is scored of it.
    std::string candidateForScoring(const Word& candidate) const;
    // Punctuation typed after a word, as the target layout types it.
    std::string renderTrailing(std::string_view trailing, const LayoutDirection& direction) const;
    double layoutSuspicionBonus(std::string_view token, const LayoutDirection& direction) const;
    double sameScriptPhoneticAdjustment(const Word& source) const;

    // Manual conversion of selected text.
    ManualConversionResult convertSelectionSmart(std::string_view text,
                                                 std::optional<Language> activeInputSource) const;
    ManualConversionResult convertSelection(std::string_view text, Language target) const;

    // A one-letter word typed just before a word corrected from `from` to `to`, rendered into
    // `to`, when that reading is a common word of `to` and the typed letter is no word of
    // `from` ("z" before "nt,z" is "я"; "Ш" before "фь" is "I"). Nothing otherwise.
    std::optional<std::string> convertOneLetterWord(std::string_view word, Language from, Language to) const;

    enum class Selection { live, diagnostic };

    const LanguageConfig* language(Language key) const;
    // The tables of a language of this configuration, else tables made in `made`.
    const LetterTables& lettersOf(const LanguageConfig& language, std::unique_ptr<LetterTables>& made) const;
    bool isActive(Language key) const;
    // The letters of a word that belong to some configured alphabet, and which languages'
    // alphabets hold all of them (one bit per language, in key order).
    struct ScriptClassification {
        int classifiedLetters = 0;
        std::uint64_t coveringLanguages = 0;
    };
    ScriptClassification classifyScript(const Word& word) const;
    LanguageList detectSourceLanguages(const ScriptClassification& script) const;
    static bool isMixedScript(const ScriptClassification& script) {
        return script.classifiedLetters > 0 && script.coveringLanguages == 0;
    }
    bool isSameScriptDirection(const LayoutDirection& direction) const;

    double confidenceOf(double delta) const;
    bool allowsLength1Correction(std::string_view token, std::string_view candidateLower,
                                 const LanguageConfig* targetLang, double sourceExactCommonWord,
                                 bool sameScript, std::string_view trailing,
                                 std::optional<Language> sessionLanguage, Language targetKey) const;
    bool sourceIsInflectedKnownWord(std::string_view source, const LayoutDirection& direction) const;
    bool hasLayoutMappedTrailing(std::string_view trailing, bool skipAmbiguousPunctuation) const;
    bool isKnownWordInAnyTarget(const std::optional<std::string>& word) const;
    // Whether a word, as the word lists hold it (see lookupForm), is a word of the language.
    bool isWordOf(Language key, std::string_view word, ScoreMemo& memo) const;
    bool isDictionaryConfirmed(Language targetKey, const RulesDecision& decision, ScoreMemo& memo) const;

    WordOutcome evaluateWord(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                             std::optional<Language> activeInputSource,
                             std::optional<Language> sessionLanguage, const LineContext& line,
                             Selection selection) const;
    // `typed` is the token split into its characters.
    PairOutcome evaluatePair(std::string_view token, const Word& typed, std::string_view trailing,
                             bool isSentenceStart, std::optional<Language> activeInputSource,
                             std::optional<Language> sessionLanguage, const LineContext& line,
                             Selection selection) const;
    // Why a reading of two characters (lower-cased) into `target` is refused, when the rules file
    // allows two-letter corrections only into the language's short words, in agreement with the
    // session; nothing for a longer reading or one allowed.
    std::optional<DecisionReason> twoLetterRefusal(std::size_t length, std::string_view lowerReading,
                                                   Language target,
                                                   std::optional<Language> sessionLanguage) const;
    // A direction's reading of the token, rendered and lower-cased, its lookups asked of the memory
    // (all directions are read before any is scored, so that their lookups overlap).
    DirectionOutcome readDirection(std::string_view token, const LayoutDirection& direction,
                                   ScoreMemo& memo) const;
    // The direction's scores and decision, for a direction read by readDirection.
    void scoreAndDecideForDirection(DirectionOutcome& out, std::string_view token, int length,
                                    std::string_view trailing, const ProtectedCheck& isProtected,
                                    bool isSentenceStart, int targetPriorityIndex,
                                    std::optional<Language> sessionLanguage, const LineContext& line,
                                    ScoreMemo& memo) const;
    MixedOutcome evaluateMixedScript(std::string_view token, int length, std::string_view trailing,
                                     const ProtectedCheck& isProtected, bool isSentenceStart) const;
    // A correction into no word of any active language gives way to a reading, refused only for
    // its score, that is a word of its language.
    void preferKnownReading(PairOutcome& pair, std::string_view token, std::string_view trailing,
                            ScoreMemo& memo) const;
    // A word typed only with keys that are punctuation on its layout and letters in the line's
    // language ("][" for "їх"), while the line is being typed on the wrong layout: that language's
    // common word, or nothing.
    std::optional<RulesDecision> readPunctuationKeys(std::string_view token, std::string_view trailing,
                                                     std::optional<Language> sessionLanguage,
                                                     const LineContext& line) const;
    // A reading refused for its score that is a word of its language's vocabulary, when what was
    // typed is a word of no active language ("sv`z" is "ім'я").
    void readKnownWord(PairOutcome& pair, std::string_view token, std::string_view trailing,
                       const LineContext& line, ScoreMemo& memo) const;
    // Of the readings (places in `pair.directions`), the one, or of different ones the one in the
    // line's language; none when the line does not tell them apart.
    std::optional<std::size_t> readingOfLine(const PairOutcome& pair,
                                             const std::vector<std::size_t>& readings,
                                             const LineContext& line) const;
    // A word left alone for its score that is joined of parts ("xnj-nj", "F/C/Geirby",
    // "зфкфлууеэы") is read part by part: corrected when, between the alphabets, every part reads
    // as a word of the target, better known there than the part as typed is in its own language,
    // as an initial, or as a name after one. It also replaces a correction taken on its letters
    // alone.
    void readByParts(PairOutcome& pair, std::string_view token, std::string_view trailing,
                     const LineContext& line, ScoreMemo& memo) const;
    // The pair's decision becomes the correction into one direction's reading, for `reason`.
    void correctInto(PairOutcome& pair, std::size_t index, std::string_view token, std::string_view trailing,
                     DecisionReason reason) const;
    void selectWinner(PairOutcome& pair, std::optional<Language> activeInputSource,
                      std::optional<Language> sessionLanguage, const LineContext& line, Selection selection,
                      ScoreMemo& memo) const;
    TokenScoreDetail scoreDetail(const std::string& token, Language languageKey,
                                 const ScoreBreakdown& breakdown) const;

    std::string mapCyrillicToLatin(std::string_view text) const;
    static bool isOneLetterWord(const std::string& letter, Language key, const LanguageConfig& lang);
    std::optional<Language> chooseCyrillicTarget(std::string_view latinText,
                                                 const std::vector<Language>& candidates) const;
    std::vector<Language> cyrillicCandidates() const;

private:
    const RulesConfig& config_;
    const EngineIndex* index_;
};

// Words already split and scores already computed while deciding one word: the same string is
// often scored as the same language for two directions (the typed word against each target).
// Lives for one call only.
struct ScoreMemo {
    struct Entry {
        std::size_t word; // in words
        const LanguageConfig* language;
        bool isSentenceStart;
        ScoreBreakdown breakdown;
    };
    struct Known {
        const LanguageConfig* language = nullptr;
        std::string word;
        bool known = false;
    };
    std::string typedForScoring; // the typed word, lower-cased, punctuation around it gone
    std::vector<Word> words;     // the first `wordCount` are this word's; the rest keep their room
    std::size_t wordCount = 0;
    std::vector<Entry> entries;
    std::vector<Known> known; // the first `knownCount` are this word's; the rest keep their room
    std::size_t knownCount = 0;
    struct Form {
        std::string word;
        std::string form;
    };
    std::vector<Form> forms; // the first `formCount` are this word's; the rest keep their room
    std::size_t formCount = 0;
    std::string lowered; // room for a reading lower-cased

    // Room for what one word's directions usually need, in one allocation each.
    ScoreMemo() {
        words.reserve(6);
        entries.reserve(8);
    }

    // Empty again for the next word, with the room already made.
    void clear() {
        typedForScoring.clear();
        wordCount = 0;
        entries.clear();
        knownCount = 0;
        formCount = 0;
    }

    // A memo for one word: the thread's own, kept from word to word so its room is made once, or a
    // new one when the thread's is in use.
    class ForWord {
    public:
        ForWord();
        ~ForWord();
        ForWord(const ForWord&) = delete;
        ForWord& operator=(const ForWord&) = delete;
        ScoreMemo& operator*() { return *memo_; }

    private:
        std::unique_ptr<ScoreMemo> own_;
        ScoreMemo* memo_;
    };

    // LanguageConfig::knows, asked once per language and word: the typed word is asked about
    // again by each direction that reads it.
    bool knows(const LanguageConfig& language, std::string_view word) {
        for (std::size_t i = 0; i < knownCount; ++i) {
            if (known[i].language == &language && known[i].word == word) {
                return known[i].known;
            }
        }
        if (knownCount == known.size()) {
            known.emplace_back();
        }
        Known& added = known[knownCount++];
        added.language = &language;
        added.word.assign(word);
        added.known = language.knows(word);
        return added.known;
    }

    // A correction as the word lists hold it (lower-cased, punctuation around it gone; empty for
    // no word), made once: each language is asked about the same correction. The reference holds
    // until the next form is made.
    const std::string& formOf(std::string_view word);

    // The split of a text, made once. The reference holds until the next split.
    const Word& split(std::string_view text) { return words[indexOf(text)]; }

    ScoreBreakdown score(const RulesEvaluation& engine, std::string_view text, const LanguageConfig* language,
                         bool isSentenceStart) {
        const std::size_t word = indexOf(text);
        for (const Entry& e : entries) {
            if (e.word == word && e.language == language && e.isSentenceStart == isSentenceStart) {
                return e.breakdown;
            }
        }
        const ScoreBreakdown breakdown = engine.scoreWord(words[word], language, isSentenceStart);
        entries.push_back({word, language, isSentenceStart, breakdown});
        return breakdown;
    }

private:
    std::size_t indexOf(std::string_view text) {
        for (std::size_t i = 0; i < wordCount; ++i) {
            if (words[i].text() == text) {
                return i;
            }
        }
        if (wordCount == words.size()) {
            words.emplace_back(text);
        } else {
            words[wordCount].assign(text);
        }
        return wordCount++;
    }
};
// Whether a word matches a protected pattern, found out when a decision first needs it: most words
// are decided without it, and the patterns are the dearest test of a word. The word's text must
// outlive the check.
class ProtectedCheck {
public:
    ProtectedCheck() = default;
    ProtectedCheck(const RulesEvaluation& engine, std::string_view token)
        : engine_(&engine)
        , token_(token) {}
    bool operator()() const {
        if (!value_) {
            value_ = engine_ != nullptr && engine_->matchesProtectedPattern(token_);
        }
        return *value_;
    }

private:
    const RulesEvaluation* engine_ = nullptr;
    std::string_view token_;
    mutable std::optional<bool> value_;
};

// One source-to-target reading of a word.
struct DirectionOutcome {
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
struct MixedOutcome {
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
struct PairOutcome {
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
struct WordOutcome {
    std::optional<PairOutcome> trimmed;
    std::optional<PairOutcome> full;
    bool usedFull = false;
    RulesDecision decision;
};

} // namespace keyvane
