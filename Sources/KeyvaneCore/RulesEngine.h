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

class Word;

// What the words already typed on the line being typed say about the next one.
struct LineContext {
    std::optional<std::string> language; // the line's language, if its words tell one
    // Words of this line typed on the layout now active were corrected into that language: the
    // user is typing the line on the wrong layout, so a word that reads as the source language
    // too is more likely meant in the line's one.
    bool typedOnWrongLayout = false;
};

// Converted text and the language whose layout the caller switches to.
struct ManualConversionResult {
    std::string text;
    std::string targetLanguage;

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
    // word be corrected whose typed form is a word of its own (Russian typed on the Ukrainian
    // layout gives Ukrainian words: "файлі" for "файлы").
    RulesDecision evaluate(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                           const std::optional<std::string>& activeInputSource,
                           const std::optional<std::string>& sessionLanguage,
                           const LineContext& line = {}) const;

    // The same decision with every intermediate value, for the developer's input diagnostic.
    RulesDiagnostic diagnose(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                             const std::optional<std::string>& sessionLanguage,
                             const LineContext& line = {}) const;

    // Rendering through the configured keyboard maps.
    std::string mapToken(std::string_view token, const LayoutDirection& direction) const;
    std::string mapEnToRu(std::string_view token) const { return mapToken(token, LayoutDirection::enToRu); }
    std::string mapRuToEn(std::string_view token) const { return mapToken(token, LayoutDirection::ruToEn); }
    static std::string preserveCase(std::string_view original, std::string_view replacement) {
        return KeyboardMaps::preserveCase(original, replacement);
    }

    // The required score delta and the minimum candidate score the engine applies to a word of
    // `length` characters (the dynamic curve for short words when it is on, else the tables).
    std::pair<double, double> thresholdsFor(int length) const;

    bool matchesProtectedPattern(std::string_view word) const;
    // The one configured language whose alphabet covers the word's letters, if exactly one does.
    std::optional<std::string> uniqueAlphabetLanguage(std::string_view word) const;
    std::optional<std::string> exactPairTargetLanguage(std::string_view word) const;
    // The active languages that have the finished word among their words (punctuation around it
    // and case ignored), in priority order. What a word says about its line.
    std::vector<std::string> languagesOfWord(std::string_view word) const;
    // A configured language whose alphabet covers every letter of the text (active languages
    // first, in priority order, then the others by key).
    std::optional<std::string> detectLanguage(std::string_view text) const;

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
    std::string candidateForScoring(std::string_view candidate) const;
    std::string candidateForScoring(const Word& candidate) const;
    // Punctuation typed after a word, as the target layout types it.
    std::string renderTrailing(std::string_view trailing, const LayoutDirection& direction) const;
    double layoutSuspicionBonus(std::string_view token, const LayoutDirection& direction) const;
    double sameScriptPhoneticAdjustment(const Word& source) const;

    // Manual conversion of selected text.
    ManualConversionResult convertSelectionSmart(std::string_view text,
                                                 const std::optional<std::string>& activeInputSource) const;
    ManualConversionResult convertSelection(std::string_view text, const std::string& target) const;

    // A one-letter word typed just before a word corrected from `from` to `to`, rendered into
    // `to`, when that reading is a common word of `to` and the typed letter is no word of
    // `from` ("z" before "nt,z" is "я"; "Ш" before "фь" is "I"). Nothing otherwise.
    std::optional<std::string> convertOneLetterWord(std::string_view word, const std::string& from,
                                                    const std::string& to) const;

    struct Index;
    struct DirectionOutcome;
    struct MixedOutcome;
    struct PairOutcome;
    struct WordOutcome;
    struct ScoreMemo;
    class ProtectedCheck;

private:
    enum class Selection { live, diagnostic };

    const LanguageConfig* language(const std::string& key) const;
    bool isActive(const std::string& key) const;
    // The letters of a word that belong to some configured alphabet, and which languages'
    // alphabets hold all of them (one bit per language, in key order).
    struct ScriptClassification {
        int classifiedLetters = 0;
        std::uint64_t coveringLanguages = 0;
    };
    ScriptClassification classifyScript(const std::vector<std::string>& chars) const;
    std::vector<std::string> detectSourceLanguages(const ScriptClassification& script) const;
    static bool isMixedScript(const ScriptClassification& script) {
        return script.classifiedLetters > 0 && script.coveringLanguages == 0;
    }
    bool isSameScriptDirection(const LayoutDirection& direction) const;

    double confidenceOf(double delta) const;
    bool allowsLength1Correction(std::string_view token, std::string_view candidateLower,
                                 const LanguageConfig* targetLang, double sourceExactCommonWord,
                                 bool sameScript, std::string_view trailing,
                                 const std::optional<std::string>& sessionLanguage,
                                 const std::string& targetKey) const;
    bool sourceIsInflectedKnownWord(std::string_view source, const LayoutDirection& direction) const;
    bool hasLayoutMappedTrailing(std::string_view trailing, bool skipAmbiguousPunctuation) const;
    bool isKnownWordInAnyTarget(const std::optional<std::string>& word) const;
    bool isDictionaryConfirmed(const std::string& targetKey, const RulesDecision& decision) const;

    WordOutcome evaluateWord(std::string_view token, std::string_view applicationID, bool isSentenceStart,
                             const std::optional<std::string>& activeInputSource,
                             const std::optional<std::string>& sessionLanguage, const LineContext& line,
                             Selection selection) const;
    PairOutcome evaluatePair(std::string_view token, std::string_view trailing, bool isSentenceStart,
                             const std::optional<std::string>& activeInputSource,
                             const std::optional<std::string>& sessionLanguage, const LineContext& line,
                             Selection selection) const;
    DirectionOutcome scoreAndDecideForDirection(std::string_view token, int length, std::string_view trailing,
                                                const LayoutDirection& direction,
                                                const ProtectedCheck& isProtected, bool isSentenceStart,
                                                int targetPriorityIndex,
                                                const std::optional<std::string>& sessionLanguage,
                                                const LineContext& line, ScoreMemo& memo) const;
    MixedOutcome evaluateMixedScript(std::string_view token, int length, std::string_view trailing,
                                     const ProtectedCheck& isProtected, bool isSentenceStart) const;
    void selectWinner(PairOutcome& pair, const std::optional<std::string>& activeInputSource,
                      const std::optional<std::string>& sessionLanguage, const LineContext& line,
                      Selection selection) const;
    TokenScoreDetail scoreDetail(const std::string& token, const std::string& languageKey,
                                 const ScoreBreakdown& breakdown) const;

    std::string mapCyrillicToLatin(std::string_view text) const;
    static bool isOneLetterWord(const std::string& letter, const std::string& key,
                                const LanguageConfig& lang);
    std::optional<std::string> chooseCyrillicTarget(std::string_view latinText,
                                                    const std::vector<std::string>& candidates) const;
    std::vector<std::string> cyrillicCandidates() const;

    RulesConfig config_;
    std::unique_ptr<Index> index_;
};

} // namespace keyvane
