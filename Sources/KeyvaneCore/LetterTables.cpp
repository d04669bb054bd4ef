// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LetterTables.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
    indexPairs();
    WordSet::Builder frequent(language.microDictionary.size());
    WordSet::Builder beginnings(language.microDictionary.size());
    for (const std::string& entry : language.microDictionary) {
        frequent.insert(entry);
        const Word word(entry);
        if (word.length() >= 4) {
            beginnings.insert(word.characters(0, 4));
        }
    }
    frequentWords_ = frequent.build();
    frequentBeginnings_ = beginnings.build();
    apostropheIsLetter_ = language.scriptAlphabet.contains("'");
    const std::vector<std::string>* lists[] = {&language.strongWordStarts, &language.weakWordStarts,
                                               &language.strongWordEnds, &language.weakWordEnds};
    for (std::size_t i = 0; i < affixes_.size(); ++i) {
        WordSet::Builder entries(lists[i]->size());
        for (const std::string& entry : *lists[i]) {
            entries.insert(entry);
            affixes_[i].lengths.push_back(entry.size());
        }
        affixes_[i].entries = entries.build();
        std::vector<std::size_t>& lengths = affixes_[i].lengths;
        std::sort(lengths.begin(), lengths.end());
        lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    }
}

bool LetterTables::hasAffix(Affix which, std::string_view word) const {
    const Affixes& affixes = affixes_[static_cast<std::size_t>(which)];
    const bool start = which == Affix::strongStart || which == Affix::weakStart;
    for (const std::size_t length : affixes.lengths) {
        if (length > word.size()) {
            break;
        }
        if (affixes.entries.contains(start ? word.substr(0, length) : word.substr(word.size() - length))) {
            return true;
        }
    }
    return false;
}

bool LetterTables::isVowel(const Word& word, std::size_t index) const {
    const char32_t c = word.smallCodePoint(index);
    return c < tableEnd ? vowels_.test(c) : language_->vowels.contains(word.character(index));
}

void LetterTables::indexPairs() {
    constexpr std::size_t mostPlaces = 128;
    std::vector<std::uint8_t> place(tableEnd, 0);
    std::size_t count = 0;
    for (const auto& [key, weight] : pairs_) {
        for (const char32_t c : {key >> 11, key & 0x7FF}) {
            if (place[c] == 0) {
                if (count == mostPlaces) {
                    return; // the hashed pairs answer alone
                }
                place[c] = static_cast<std::uint8_t>(++count);
            }
        }
    }
    std::vector<double> table(count * count, std::numeric_limits<double>::quiet_NaN());
    for (const auto& [key, weight] : pairs_) {
        table[(place[key >> 11] - 1U) * count + (place[key & 0x7FF] - 1U)] = weight;
    }
    pairPlace_ = std::move(place);
    places_ = count;
    pairTable_ = std::move(table);
}

std::optional<double> LetterTables::pairWeight(const Word& word, std::size_t index) const {
    const char32_t first = word.smallCodePoint(index);
    const char32_t second = word.smallCodePoint(index + 1);
    if (first < tableEnd && second < tableEnd && !pairPlace_.empty()) {
        const std::uint8_t a = pairPlace_[first];
        const std::uint8_t b = pairPlace_[second];
        if (a == 0 || b == 0) {
            return std::nullopt;
        }
        const double weight = pairTable_[(a - 1U) * places_ + (b - 1U)];
        return std::isnan(weight) ? std::nullopt : std::optional<double>(weight);
    }
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
