// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LetterTables.h"

namespace keyvane {

LetterTables::LetterTables(const LanguageConfig& language)
    : language_(&language) {
    for (const std::string& vowel : language.vowels) {
        const Word letter(vowel);
        if (letter.length() == 1 && letter.smallCodePoint(0) < tableEnd) {
            vowels_.set(letter.smallCodePoint(0));
        }
    }
    for (const auto& [pair, weight] : language.bigramLogWeights) {
        const Word letters(pair);
        if (letters.length() == 2 && letters.text() == pair && letters.smallCodePoint(0) < tableEnd &&
            letters.smallCodePoint(1) < tableEnd) {
            pairs_.emplace(pairKey(letters.smallCodePoint(0), letters.smallCodePoint(1)), weight);
        }
    }
    for (const std::string& frequent : language.microDictionary) {
        const Word word(frequent);
        if (word.length() >= 4) {
            frequentBeginnings_.emplace(word.characters(0, 4));
        }
    }
}

bool LetterTables::isVowel(const Word& word, std::size_t index) const {
    const char32_t c = word.smallCodePoint(index);
    return c < tableEnd ? vowels_.test(c) : language_->vowels.contains(word.character(index));
}

std::optional<double> LetterTables::pairWeight(const Word& word, std::size_t index) const {
    const char32_t first = word.smallCodePoint(index);
    const char32_t second = word.smallCodePoint(index + 1);
    if (first < tableEnd && second < tableEnd) {
        auto it = pairs_.find(pairKey(first, second));
        return it == pairs_.end() ? std::nullopt : std::optional<double>(it->second);
    }
    auto it = language_->bigramLogWeights.find(word.characters(index, index + 2));
    return it == language_->bigramLogWeights.end() ? std::nullopt : std::optional<double>(it->second);
}

bool LetterTables::mayStartWithFrequentWord(const Word& word) const {
    return word.length() >= 4 && frequentBeginnings_.contains(word.characters(0, 4));
}

} // namespace keyvane
