// SPDX-License-Identifier: GPL-3.0-or-later
// Conversion of selected text between layouts: plain keyboard mapping, no scoring.

#include "KeyvaneCore/LanguageConfig.h"
#include "KeyvaneCore/RulesEngineInternals.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>

namespace keyvane {
namespace {

struct LetterCounts {
    int latin = 0;
    int cyrillic = 0;
};

LetterCounts scriptLetterCounts(std::string_view text) {
    LetterCounts counts;
    for (const std::string& c : UnicodeText::graphemes(text)) {
        if (!UnicodeText::isLetter(c)) {
            continue;
        }
        int32_t scalar = UnicodeText::firstCodePoint(c);
        if ((scalar >= 'A' && scalar <= 'Z') || (scalar >= 'a' && scalar <= 'z')) {
            ++counts.latin;
        } else if (scalar >= 0x0400 && scalar <= 0x04FF) {
            ++counts.cyrillic;
        }
    }
    return counts;
}

// Lower-cased pieces of text between white space. Punctuation stays inside: on the Cyrillic
// layouts "," and ";" are letters, so "lj,hsq" is one word ("добрый").
std::vector<std::string> latinWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (const std::string& c : UnicodeText::graphemes(UnicodeText::toLower(text))) {
        if (!UnicodeText::isWhitespace(c)) {
            word += c;
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

// The word without the non-letters around it.
std::string trimNonLetters(const std::string& word) {
    std::vector<std::string> chars = UnicodeText::graphemes(word);
    std::size_t begin = 0;
    std::size_t end = chars.size();
    while (begin < end && !UnicodeText::isLetter(chars[begin])) {
        ++begin;
    }
    while (end > begin && !UnicodeText::isLetter(chars[end - 1])) {
        --end;
    }
    std::string trimmed;
    for (std::size_t i = begin; i < end; ++i) {
        trimmed += chars[i];
    }
    return trimmed;
}

// The key with the highest count, when that count is at least 1 and no other key has it.
std::optional<Language> uniqueMaxKey(const std::vector<std::pair<Language, int>>& counts) {
    std::optional<Language> best;
    int bestCount = 0;
    bool tied = false;
    for (const auto& [key, count] : counts) {
        if (count > bestCount) {
            best = key;
            bestCount = count;
            tied = false;
        } else if (count == bestCount && count > 0) {
            tied = true;
        }
    }
    return (best && !tied) ? best : std::nullopt;
}

} // namespace

std::vector<Language> RulesEvaluation::cyrillicCandidates() const {
    std::vector<Language> candidates;
    for (Language key : config_.activeLanguages) {
        const LanguageConfig* lang = language(key);
        if (lang != nullptr && lang->script == "cyrillic") {
            candidates.push_back(key);
        }
    }
    return candidates;
}

std::string RulesEvaluation::mapCyrillicToLatin(std::string_view text) const {
    return KeyboardMaps::mapToken(text, index_->cyrillicToLatinLower, index_->cyrillicToLatinUpper);
}

std::optional<Language> RulesEvaluation::chooseCyrillicTarget(std::string_view latinText,
                                                              const std::vector<Language>& candidates) const {
    if (candidates.empty()) {
        return std::nullopt;
    }
    if (candidates.size() == 1) {
        return candidates.front();
    }
    const std::vector<std::string> words = latinWords(latinText);
    std::vector<std::pair<Language, int>> hits;
    std::vector<double> scores;
    for (Language candidate : candidates) {
        const LanguageConfig* lang = language(candidate);
        int count = 0;
        double score = 0;
        for (const std::string& word : words) {
            const std::string rendered =
                trimNonLetters(mapToken(word, LayoutDirection{Language::en, candidate}));
            if (lang->commonWords.contains(rendered)) {
                ++count;
            }
            score += scoreToken(rendered, lang, false).total();
        }
        hits.emplace_back(candidate, count);
        scores.push_back(score);
    }
    if (auto best = uniqueMaxKey(hits)) {
        return best;
    }
    // As many known words each way ("вечер" is listed in both): the reading that scores higher as
    // a whole, so that the selection comes out in one language.
    int most = 0;
    for (const auto& hit : hits) {
        most = std::max(most, hit.second);
    }
    std::optional<std::size_t> winner;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (hits[i].second == most && (!winner || scores[i] > scores[*winner])) {
            winner = i;
        }
    }
    return most > 0 && winner ? candidates[*winner] : candidates.front();
}

ManualConversionResult
RulesEvaluation::convertSelectionSmart(std::string_view text,
                                       std::optional<Language> /*activeInputSource*/) const {
    // The active input source deliberately plays no part: the same text always converts the same way.
    LetterCounts counts = scriptLetterCounts(text);
    if (counts.latin == 0 && counts.cyrillic == 0) {
        return {std::string(text), Language::en};
    }
    if (counts.cyrillic >= counts.latin) {
        return {mapCyrillicToLatin(text), Language::en};
    }
    if (auto target = chooseCyrillicTarget(text, cyrillicCandidates())) {
        return {mapToken(text, LayoutDirection{Language::en, *target}), *target};
    }
    return {std::string(text), Language::en};
}

ManualConversionResult RulesEvaluation::convertSelection(std::string_view text, Language target) const {
    if (target == Language::en) {
        return {mapCyrillicToLatin(text), Language::en};
    }
    LetterCounts counts = scriptLetterCounts(text);
    std::optional<Language> source;
    if (counts.cyrillic < counts.latin || counts.cyrillic == 0) {
        source = Language::en;
    } else {
        for (Language candidate : cyrillicCandidates()) {
            if (candidate != target) {
                source = candidate;
                break;
            }
        }
        if (!source) {
            source = target == Language::ru ? Language::uk : Language::ru;
        }
    }
    return {mapToken(text, LayoutDirection{*source, target}), target};
}

// Whether a lower-cased letter is a word of its own. A word list that names every letter of its
// alphabet counted letters as words (frequency lists do); the built-in short words decide then.
bool RulesEvaluation::isOneLetterWord(const std::string& letter, Language key, const LanguageConfig& lang) {
    if (lang.commonWords.contains(letter)) {
        return true;
    }
    const bool everyLetter =
        !lang.scriptAlphabet.empty() &&
        std::all_of(lang.scriptAlphabet.begin(), lang.scriptAlphabet.end(),
                    [&](const std::string& c) { return lang.microDictionary.contains(c); });
    return everyLetter ? LanguageDefaults::defaultMicroDictionary(key).contains(letter)
                       : lang.microDictionary.contains(letter);
}

std::optional<std::string> RulesEvaluation::convertOneLetterWord(std::string_view word, Language from,
                                                                 Language to) const {
    const LanguageConfig* source = language(from);
    const LanguageConfig* target = language(to);
    if (source == nullptr || target == nullptr || from == to || UnicodeText::length(word) != 1 ||
        !UnicodeText::isLetter(std::string(word))) {
        return std::nullopt;
    }
    const std::string typed = UnicodeText::toLower(word);
    if (isOneLetterWord(typed, from, *source)) {
        return std::nullopt; // a word of its own layout ("a", "I", "я")
    }
    std::string rendered = mapToken(word, LayoutDirection{from, to});
    if (UnicodeText::length(rendered) != 1 || !UnicodeText::isLetter(rendered) ||
        !isOneLetterWord(UnicodeText::toLower(rendered), to, *target)) {
        return std::nullopt;
    }
    return rendered;
}

} // namespace keyvane
