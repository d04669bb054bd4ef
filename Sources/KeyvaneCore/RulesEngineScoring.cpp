// SPDX-License-Identifier: GPL-3.0-or-later
// Scoring of candidate words and the decision for one source-to-target direction.

#include "KeyvaneCore/LetterTables.h"
#include "KeyvaneCore/RulesEngineInternals.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/Word.h"

#include <algorithm>
#include <cmath>
#include <unicode/utf8.h>

namespace keyvane {
namespace {

// Walks the adjacent character pairs of a word: visit(bigram, weight, isUnknown). A pair is two
// neighbouring characters of the word's own text, looked up without a copy.
template <typename Visit> void forEachBigram(const Word& word, const LetterTables& letters, Visit&& visit) {
    for (std::size_t i = 0; i + 1 < word.length(); ++i) {
        const double weight = letters.pairWeight(word, i);
        const bool unknown = std::isnan(weight);
        visit(word.characters(i, i + 2), unknown ? letters.unknownPairWeight() : weight, unknown);
    }
}

} // namespace

ScoreBreakdown RulesEvaluation::scoreToken(std::string_view token, const LanguageConfig* language,
                                           bool isSentenceStart) const {
    return scoreWord(Word(token), language, isSentenceStart);
}

ScoreBreakdown RulesEvaluation::scoreWord(const Word& word, const LanguageConfig* language,
                                          bool isSentenceStart) const {
    ScoreBreakdown b;
    if (language == nullptr) {
        return b;
    }
    const ScoringWeights& w = config_.decision.scoringWeights;
    const LanguageConfig& L = *language;
    const std::string_view token = word.text();
    std::unique_ptr<LetterTables> made; // on the heap, and only for a language the index lacks
    const LetterTables& letters = lettersOf(L, made);

    // The common-word lookup waits for the memory more often than not (its cell was asked for when
    // the reading was made): it is done after the letters are scored, unless an apostrophe needs
    // its answer first.
    const bool hasApostrophe = token.find('\'') != std::string_view::npos;
    if (hasApostrophe && L.commonWords.contains(token)) {
        b.exactCommonWord = w.exactCommonWord;
    }
    if (isSentenceStart && L.phraseStartWords.contains(token)) {
        b.exactPhraseStart = w.exactPhraseStartWord;
    }
    for (std::size_t i = 0; i < word.length(); ++i) {
        if (letters.isVowel(word, i)) {
            b.vowelBonus = w.hasLanguageVowel;
            break;
        }
    }

    bool shapeFeatures = true;
    if (word.length() >= 2) {
        double sum = 0;
        int unknown = 0;
        int counted = 0;
        // The apostrophe of a common word ("i'm", "don't") is spelling, not a rare pair of letters.
        const bool skipApostrophes = b.exactCommonWord > 0 && !letters.apostropheIsLetter();
        forEachBigram(word, letters, [&](std::string_view bigram, double weight, bool isUnknown) {
            if (skipApostrophes && bigram.find('\'') != std::string_view::npos) {
                return;
            }
            sum += weight;
            unknown += isUnknown ? 1 : 0;
            ++counted;
        });
        double avg = counted == 0 ? 0.0 : sum / static_cast<double>(counted);
        b.bigramScore = L.ngramScoringScale * avg;
        shapeFeatures = unknown <= 1 && avg > -1.0;
    }
    if (shapeFeatures) {
        using Affix = LetterTables::Affix;
        if (letters.hasAffix(Affix::strongStart, token)) {
            b.strongWordStart = w.strongWordStart;
        }
        if (b.strongWordStart == 0 && letters.hasAffix(Affix::weakStart, token)) {
            b.weakWordStart = w.weakWordStart;
        }
        if (letters.hasAffix(Affix::strongEnd, token)) {
            b.strongWordEnd = w.strongWordEnd;
        }
        if (b.strongWordEnd == 0 && letters.hasAffix(Affix::weakEnd, token)) {
            b.weakWordEnd = w.weakWordEnd;
        }
        for (const auto& [suffix, boost] : L.commonSuffixBoosts) {
            if (token.ends_with(suffix)) {
                b.learnedSuffixBoost = boost;
                break;
            }
        }
    }

    // A micro-dictionary word, or a token that starts with one of four or more characters.
    bool frequent = letters.isFrequentWord(token);
    const bool mayStartWithFrequent = !frequent && letters.mayStartWithFrequentWord(word);
    for (std::size_t i = 3; mayStartWithFrequent && !frequent && i < word.length(); ++i) {
        frequent = letters.isFrequentWord(word.characters(0, i + 1));
    }
    if (frequent) {
        b.frequentTokenBonus = w.frequentTokenBonus;
    }
    if (!hasApostrophe && L.commonWords.contains(token)) {
        b.exactCommonWord = w.exactCommonWord;
    }

    if (b.exactCommonWord <= 0 && (!L.impossiblePatterns.empty() || !L.rarePatterns.empty())) {
        const CompiledRegex::Subject text(word);
        if (letters.impossiblePatterns().find(text) && !isDomainOrEmail(token, text)) {
            b.impossiblePatternPenalty = w.impossiblePattern;
        }
        if (b.impossiblePatternPenalty == 0 && letters.rarePatterns().find(text)) {
            b.rarePatternPenalty = w.rarePattern;
        }
    }
    return b;
}

RulesEvaluation::BigramScoring RulesEvaluation::bigramScoringDetail(std::string_view token,
                                                                    const LanguageConfig* language) const {
    BigramScoring result;
    const Word word(token);
    if (language == nullptr || word.length() < 2) {
        return result;
    }
    std::unique_ptr<LetterTables> made;
    forEachBigram(word, lettersOf(*language, made),
                  [&](std::string_view bigram, double weight, bool isUnknown) {
                      result.bigrams.push_back({std::string(bigram), weight, isUnknown});
                      result.sumLogProb += weight;
                  });
    result.normalized = result.sumLogProb / static_cast<double>(word.length() - 1);
    return result;
}

int RulesEvaluation::countUnknownBigrams(const Word& word, const LanguageConfig* language) const {
    if (language == nullptr) {
        return 0;
    }
    int unknown = 0;
    std::unique_ptr<LetterTables> made;
    forEachBigram(word, lettersOf(*language, made),
                  [&](std::string_view, double, bool isUnknown) { unknown += isUnknown ? 1 : 0; });
    return unknown;
}

std::string RulesEvaluation::sanitizeSourceForScoring(std::string_view source) {
    // Most words begin and end with a letter that is a character of its own (and the one before
    // the last does not join it): nothing to trim, and no need to split the word to know it.
    const auto* bytes = reinterpret_cast<const uint8_t*>(source.data());
    const auto size = static_cast<int32_t>(source.size());
    if (size >= 2) {
        UChar32 first = 0;
        UChar32 last = 0;
        UChar32 beforeLast = 0;
        int32_t at = 0;
        U8_NEXT(bytes, at, size, first);
        int32_t end = size;
        U8_PREV(bytes, 0, end, last);
        if (end > 0) {
            U8_PREV(bytes, 0, end, beforeLast);
        } else {
            beforeLast = first; // one code point
        }
        auto letterAlone = [](UChar32 c) {
            return c >= 0 && UnicodeText::standsAlone(static_cast<char32_t>(c)) &&
                   UnicodeText::isLetter(static_cast<char32_t>(c));
        };
        if (letterAlone(first) && letterAlone(last) && beforeLast >= 0 &&
            UnicodeText::standsAlone(static_cast<char32_t>(beforeLast))) {
            return std::string(source);
        }
    }
    // Punctuation around the word is not part of it; inside it stays ("nj;t" is no English word).
    return UnicodeText::trim(source, [](std::string_view c) { return !UnicodeText::isLetter(c); });
}

std::string RulesEvaluation::candidateForScoring(const Word& candidate) const {
    // Only sentence punctuation may stand around a word: "вщтую" is "done." and "done" is scored,
    // but "ещё" is not "to`".
    auto isPunctuation = [this](std::string_view c) {
        return !UnicodeText::isLetter(c) && config_.tokenization.wordBoundaries.contains(c);
    };
    // Before a word only what opens one: a quote or a bracket ("Эрудд" is '"Hello'); ":fr" is
    // no word "fr" after a colon but "Жак".
    static const StringSet opening = {"\"", "'", "(", "[", "{", "«", "“", "‘"};
    std::size_t first = 0;
    while (first < candidate.length() && isPunctuation(candidate.character(first)) &&
           opening.contains(candidate.character(first))) {
        ++first;
    }
    std::size_t last = candidate.length();
    while (last > first && isPunctuation(candidate.character(last - 1))) {
        --last;
    }
    // What is left must still be a word: "Дж" is no "l" and a semicolon.
    if (last - first < 2) {
        return candidate.text();
    }
    return std::string(candidate.characters(first, last));
}

std::string RulesEvaluation::renderTrailing(std::string_view trailing,
                                            const LayoutDirection& direction) const {
    std::string out;
    for (const std::string& c : UnicodeText::graphemes(trailing)) {
        const std::string rendered = mapToken(c, direction);
        // A key that is a letter in the target was typed as punctuation on purpose ("ghbdtn," is
        // "привет,"); any other key is the target's punctuation ("ldflwfnm?" is "двадцать,").
        out += UnicodeText::isLetter(rendered) ? c : rendered;
    }
    return out;
}

double RulesEvaluation::layoutSuspicionBonus(std::string_view token, const LayoutDirection& direction) const {
    const std::vector<LayoutSuspicionRule>* rules = nullptr;
    if (direction == LayoutDirection::enToRu) {
        rules = &config_.layoutSuspicion.latinSuspiciousForRu;
    } else if (direction == LayoutDirection::ruToEn) {
        rules = &config_.layoutSuspicion.cyrillicSuspiciousForEn;
    }
    if (rules == nullptr || rules->empty()) {
        return 0;
    }
    const CompiledRegex::Subject text(token);
    double bonus = 0;
    for (const LayoutSuspicionRule& rule : *rules) {
        if (rule.regex.find(text)) {
            bonus += rule.bonus;
        }
    }
    return bonus;
}

double RulesEvaluation::sameScriptPhoneticAdjustment(const Word& source) const {
    if (source.length() < 2) {
        return 0;
    }
    double adjustment = 0;
    for (std::size_t i = 0; i < source.length(); ++i) {
        for (const SameScriptLetter& letter : config_.decision.sameScriptLetters) {
            if (source.character(i) != letter.letter) {
                continue;
            }
            if (i == 0 && letter.atStart) {
                adjustment += *letter.atStart;
            } else if (i == source.length() - 1 && letter.atEnd) {
                adjustment += *letter.atEnd;
            } else {
                adjustment += letter.elsewhere;
            }
            break;
        }
    }
    return adjustment;
}

bool RulesEvaluation::isSameScriptDirection(const LayoutDirection& direction) const {
    return index_->sameScriptPairs.contains({direction.from, direction.to});
}

std::pair<double, double> RulesEvaluation::thresholdsFor(int length) const {
    const DecisionConfig& d = config_.decision;
    const DynamicThresholdCurveConfig& curve = d.dynamicThresholdCurve;
    if (curve.enabled && length <= 4) {
        double shorter = 5.0 - length;
        return {std::max(curve.deltaBaseAtLen5 - curve.deltaDecayPerShorterLen * shorter, curve.deltaFloor),
                std::max(curve.candidateBaseAtLen5 - curve.candidateDecayPerShorterLen * shorter,
                         curve.candidateFloor)};
    }
    auto delta = d.minDeltaByLength.find(length);
    auto candidate = d.minCandidateScoreByLength.find(length);
    return {delta != d.minDeltaByLength.end() ? delta->second : d.minDeltaDefault,
            candidate != d.minCandidateScoreByLength.end() ? candidate->second : d.minCandidateScoreDefault};
}

double RulesEvaluation::confidenceOf(double delta) const {
    double conf = 1.0 / (1.0 + std::exp(-delta / config_.decision.confidenceScale));
    // A NaN (a NaN delta, or a zero scale with no gain) must never pass a confidence threshold.
    return std::isnan(conf) ? 0.0 : conf;
}

bool RulesEvaluation::allowsLength1Correction(std::string_view token, std::string_view candidateLower,
                                              const LanguageConfig* targetLang, double sourceExactCommonWord,
                                              bool sameScript, std::string_view trailing,
                                              std::optional<Language> sessionLanguage,
                                              Language targetKey) const {
    if (config_.tokenization.autoSkipLength1 || targetKey != Language::en || sameScript ||
        trailing.find('.') != std::string_view::npos || sourceExactCommonWord > 0) {
        return false;
    }
    for (const std::string& c : UnicodeText::graphemes(token)) {
        if (UnicodeText::isUpperCase(c)) {
            return false;
        }
    }
    return sessionLanguage == targetKey && targetLang != nullptr &&
           targetLang->commonWords.contains(candidateLower);
}

bool RulesEvaluation::sourceIsInflectedKnownWord(std::string_view source,
                                                 const LayoutDirection& direction) const {
    const LanguageConfig* sourceLang = language(direction.from);
    const LanguageConfig* targetLang = language(direction.to);
    const std::string& ending = config_.decision.sameScriptInflectedEnding;
    if (sourceLang == nullptr || targetLang == nullptr || !source.ends_with(ending)) {
        return false;
    }
    // The ending must be a letter of the source alphabet that the target alphabet lacks.
    if (!sourceLang->scriptAlphabet.contains(ending) || targetLang->scriptAlphabet.contains(ending)) {
        return false;
    }
    std::string_view stem = source.substr(0, source.size() - ending.size());
    return UnicodeText::length(stem) >= 3 && sourceLang->commonWords.contains(stem);
}

std::optional<DecisionReason>
RulesEvaluation::twoLetterRefusal(std::size_t length, std::string_view lowerReading, Language target,
                                  std::optional<Language> sessionLanguage) const {
    if (length != 2 || !config_.tokenization.autoLength2RequiresExactCommonOrOverride) {
        return std::nullopt;
    }
    const LanguageConfig* lang = language(target);
    if (lang == nullptr || !lang->microDictionary.contains(lowerReading)) {
        return DecisionReason::length2NoExactMatch;
    }
    if (sessionLanguage && *sessionLanguage != target) {
        return DecisionReason::length2SessionMismatch;
    }
    return std::nullopt;
}

DirectionOutcome RulesEvaluation::readDirection(std::string_view token, const LayoutDirection& direction,
                                                ScoreMemo& memo) const {
    DirectionOutcome out;
    out.direction = direction;
    out.candidate = mapToken(token, direction);
    if (out.candidate == token) {
        out.decision = RulesDecision::refusal(DecisionReason::noMappingChange);
        return out;
    }
    out.scored = true;
    UnicodeText::toLowerInto(out.candidate, memo.lowered);
    out.candidateLower = candidateForScoring(memo.split(memo.lowered));
    if (const LanguageConfig* targetLang = language(direction.to)) {
        targetLang->prefetch(out.candidateLower);
    }
    return out;
}

void RulesEvaluation::scoreAndDecideForDirection(DirectionOutcome& out, std::string_view token, int length,
                                                 std::string_view trailing, const ProtectedCheck& isProtected,
                                                 bool isSentenceStart, int targetPriorityIndex,
                                                 std::optional<Language> sessionLanguage,
                                                 const LineContext& line, ScoreMemo& memo) const {
    if (!out.scored) {
        return;
    }
    const LayoutDirection& direction = out.direction;
    const LanguageConfig* sourceLang = language(direction.from);
    const LanguageConfig* targetLang = language(direction.to);
    out.source = memo.typedForScoring;
    out.sourceBreakdown = memo.score(*this, out.source, sourceLang, isSentenceStart);
    // An apostrophe misplaced in a common word of the source ("the're") is still that word: it is
    // typed as such far more often than "э" or "є" is typed on its key inside a word.
    if (out.sourceBreakdown.exactCommonWord == 0 && sourceLang != nullptr &&
        out.source.find('\'') != std::string::npos && !sourceLang->scriptAlphabet.contains("'")) {
        std::string withoutApostrophes = out.source;
        std::erase(withoutApostrophes, '\'');
        if (UnicodeText::length(withoutApostrophes) >= 3 &&
            sourceLang->commonWords.contains(withoutApostrophes)) {
            out.source = std::move(withoutApostrophes);
            out.sourceBreakdown = memo.score(*this, out.source, sourceLang, isSentenceStart);
        }
    }
    out.candidateBreakdown = memo.score(*this, out.candidateLower, targetLang, isSentenceStart);

    double suspicion = layoutSuspicionBonus(token, direction);
    double priorityPenalty = targetPriorityIndex >= 2
                                 ? -config_.decision.targetPriorityPenaltyPerIndex * (targetPriorityIndex - 1)
                                 : 0.0;
    const bool sameScript = isSameScriptDirection(direction);
    if (sameScript) {
        suspicion += sameScriptPhoneticAdjustment(memo.split(out.source));
    }
    out.suspicion = suspicion;

    const DecisionConfig& d = config_.decision;
    auto [requiredDelta, minCandidate] = thresholdsFor(length);
    // The words before it on the line are in the target language: a typed form that happens to be
    // a word of the source language ("руку" for "here") is no reason to doubt the reading.
    const bool lineSaysTarget = line.language && *line.language == direction.to;
    // Between alphabets the line's language alone is weak evidence: a word of another language
    // in a line ("ps" in a Ukrainian sentence) is usually typed on purpose, after switching. It
    // counts when this line is being typed on the wrong layout.
    const bool lineOutweighsSource = lineSaysTarget && (sameScript || line.typedOnWrongLayout);
    if (out.sourceBreakdown.exactCommonWord > 0 && !lineOutweighsSource) {
        requiredDelta += d.originalExactCommonRequiresExtraDelta;
        out.appliedExtraDeltaForCommonOriginal = true;
    }
    if (isSentenceStart && out.candidateBreakdown.exactPhraseStart > 0) {
        requiredDelta -= d.phraseStartBonusDiscount;
        out.appliedPhraseStartDiscount = true;
    }
    out.candidateBreakdown.layoutSuspicion = suspicion;
    out.candidateBreakdown.priorityPenalty = priorityPenalty;
    const double originalScore = out.sourceBreakdown.total();
    const double candidateScore = out.candidateBreakdown.total();
    if (sameScript) {
        requiredDelta += d.sameScriptExtraDelta;
    }
    out.requiredDelta = requiredDelta;
    const double delta = candidateScore - originalScore;
    const double conf = confidenceOf(delta);
    out.delta = delta;
    out.confidence = conf;

    // Each ends the direction: the outcome moves out with its decision.
    auto refuse = [&](DecisionReason reason, double confidence) {
        out.decision = RulesDecision::refusal(reason, confidence, originalScore, candidateScore);
    };
    auto correct = [&](DecisionReason reason) {
        double reported = out.candidateBreakdown.exactCommonWord > 0
                              ? conf
                              : std::min(conf, config_.decision.nonDictionaryConfidenceCap);
        out.decision = RulesDecision::correction(preserveCase(token, out.candidate) +
                                                     renderTrailing(trailing, direction),
                                                 reason, reported, originalScore, candidateScore);
    };

    if (length == 1) {
        if (!allowsLength1Correction(token, out.candidateLower, targetLang,
                                     out.sourceBreakdown.exactCommonWord, sameScript, trailing,
                                     sessionLanguage, direction.to)) {
            return refuse(DecisionReason::length1NoExactPair, 0);
        }
        if (isProtected()) {
            return refuse(DecisionReason::protectedPattern, 0);
        }
        return correct(DecisionReason::layoutMismatchLength1);
    }
    if (const std::optional<DecisionReason> refusal =
            twoLetterRefusal(length, out.candidateLower, direction.to, sessionLanguage)) {
        return refuse(*refusal, 0);
    }
    if (sameScript) {
        // Russian and Ukrainian share most letters, so the typed form is often a word too. The
        // reading must be a word of the target; a typed form that is a word of its own, or a short
        // one, is corrected only where the line is in the target language or, for a short one,
        // where the typed form is no word and the reading a common one ("єто" is "это").
        const bool candidateCommon =
            targetLang != nullptr && targetLang->commonWords.contains(out.candidateLower);
        const bool sourceKnown = sourceLang != nullptr && memo.knows(*sourceLang, out.source);
        if (length < d.sameScriptMinLength && !(candidateCommon && (lineSaysTarget || !sourceKnown))) {
            return refuse(DecisionReason::sameScriptTooShort, conf);
        }
        if (targetLang == nullptr || !memo.knows(*targetLang, out.candidateLower)) {
            return refuse(DecisionReason::sameScriptRequiresKnownWord, conf);
        }
        if (sourceKnown && !(lineSaysTarget && candidateCommon)) {
            return refuse(DecisionReason::sameScriptSourceIsKnownWord, conf);
        }
        if (!lineSaysTarget && sourceIsInflectedKnownWord(out.source, direction)) {
            return refuse(DecisionReason::sameScriptSourceIsInflectedWord, conf);
        }
        // Both forms are words and score alike ("файлы", "файлі"); the line decides.
        if (lineSaysTarget && !isProtected()) {
            out.minCandidate = minCandidate;
            return correct(DecisionReason::layoutMismatch);
        }
    }
    out.minCandidate = minCandidate;
    // Two common words on the same keys ("sp" and "із", "ин" and "by"): the words before it on the
    // line are the only evidence there is, and they name the target.
    if (lineOutweighsSource && !isProtected() && targetLang != nullptr &&
        targetLang->commonWords.contains(out.candidateLower) && delta >= 0) {
        return correct(DecisionReason::layoutMismatch);
    }
    // Comparisons are written so that NaN never passes a threshold.
    if (!(candidateScore >= minCandidate)) {
        bool gibberishSource =
            originalScore < 0 || countUnknownBigrams(memo.split(out.source), sourceLang) >= 2;
        const GibberishBypassConfig& g = d.gibberishBypass;
        bool bypass = delta >= g.minDelta && gibberishSource && conf >= g.minConfidence &&
                      candidateScore >= g.minCandidateScore;
        if (!bypass) {
            return refuse(DecisionReason::candidateScoreTooLow, conf);
        }
        if (isProtected() && !(candidateScore >= d.protectedPatternOverrideMinScore)) {
            return refuse(DecisionReason::protectedPattern, conf);
        }
        return correct(DecisionReason::highConfidenceGibberishBypass);
    }
    if (!(delta >= requiredDelta) || !(conf >= d.minConfidence)) {
        return refuse(isProtected() ? DecisionReason::protectedPattern : DecisionReason::lowConfidence, conf);
    }
    if (!isProtected()) {
        return correct(DecisionReason::layoutMismatch);
    }
    if (!(candidateScore >= d.protectedPatternOverrideMinScore)) {
        return refuse(DecisionReason::protectedPattern, conf);
    }
    return correct(DecisionReason::layoutMismatchProtectedOverride);
}

} // namespace keyvane
