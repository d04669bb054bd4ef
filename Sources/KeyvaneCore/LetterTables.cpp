// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LetterTables.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace keyvane {

LetterTables::LetterTables(const LanguageConfig& language)
    : language_(&language)
    , impossible_(language.impossiblePatterns)
    , rare_(language.rarePatterns) {
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
        Affixes& affixes = affixes_[i];
        std::vector<std::pair<std::size_t, std::uint64_t>> short_;
        WordSet::Builder longer(lists[i]->size());
        for (const std::string& entry : *lists[i]) {
            if (entry.size() <= sizeof(std::uint64_t)) {
                short_.emplace_back(entry.size(), packedStart(entry, entry.size()));
            } else {
                longer.insert(entry);
                affixes.longerLengths.push_back(entry.size());
            }
        }
        std::sort(short_.begin(), short_.end());
        short_.erase(std::unique(short_.begin(), short_.end()), short_.end());
        for (const auto& [length, value] : short_) {
            const auto at = static_cast<std::uint32_t>(affixes.packed.size());
            if (affixes.groups.empty() || affixes.groups.back().length != length) {
                affixes.groups.push_back({static_cast<std::uint32_t>(length), at, at});
            }
            affixes.packed.push_back(value);
            ++affixes.groups.back().end;
        }
        affixes.longer = longer.build();
        std::vector<std::size_t>& lengths = affixes.longerLengths;
        std::sort(lengths.begin(), lengths.end());
        lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    }
}

std::uint64_t LetterTables::packedStart(std::string_view word, std::size_t length) {
    std::uint64_t value = 0;
    if (length == 0) {
        return value;
    }
    if constexpr (std::endian::native == std::endian::little) {
        if (word.size() >= sizeof value) {
            std::memcpy(&value, word.data(), sizeof value);
            return length == sizeof value ? value : value & ((std::uint64_t{1} << (8 * length)) - 1);
        }
    }
    for (std::size_t i = 0; i < length; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(word[i])) << (8 * i);
    }
    return value;
}

std::uint64_t LetterTables::packedEnd(std::string_view word, std::size_t length) {
    if (length == 0) {
        return 0;
    }
    if constexpr (std::endian::native == std::endian::little) {
        std::uint64_t value = 0;
        if (word.size() >= sizeof value) {
            std::memcpy(&value, word.data() + word.size() - sizeof value, sizeof value);
            return value >> (8 * (sizeof value - length));
        }
    }
    return packedStart(word.substr(word.size() - length), length);
}

bool LetterTables::hasAffix(Affix which, std::string_view word) const {
    const Affixes& affixes = affixes_[static_cast<std::size_t>(which)];
    const bool start = which == Affix::strongStart || which == Affix::weakStart;
    for (const Affixes::Group& group : affixes.groups) {
        if (group.length > word.size()) {
            return false; // the longer entries are longer still
        }
        const std::uint64_t value = start ? packedStart(word, group.length) : packedEnd(word, group.length);
        const std::uint64_t* begin = affixes.packed.data() + group.begin;
        const std::uint64_t* end = affixes.packed.data() + group.end;
        if (std::binary_search(begin, end, value)) {
            return true;
        }
    }
    for (const std::size_t length : affixes.longerLengths) {
        if (length > word.size()) {
            break;
        }
        if (affixes.longer.contains(start ? word.substr(0, length) : word.substr(word.size() - length))) {
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

double LetterTables::pairWeight(const Word& word, std::size_t index) const {
    constexpr double unlisted = std::numeric_limits<double>::quiet_NaN();
    const char32_t first = word.smallCodePoint(index);
    const char32_t second = word.smallCodePoint(index + 1);
    if (first < tableEnd && second < tableEnd && !pairPlace_.empty()) {
        const std::uint8_t a = pairPlace_[first];
        const std::uint8_t b = pairPlace_[second];
        return a == 0 || b == 0 ? unlisted : pairTable_[(a - 1U) * places_ + (b - 1U)];
    }
    if (first < tableEnd && second < tableEnd) {
        auto it = pairs_.find(pairKey(first, second));
        return it == pairs_.end() ? unlisted : it->second;
    }
    auto it = language_->bigramLogWeights.find(word.characters(index, index + 2));
    return it == language_->bigramLogWeights.end() ? unlisted : it->second;
}

bool LetterTables::mayStartWithFrequentWord(const Word& word) const {
    return word.length() >= 4 && frequentBeginnings_.contains(word.characters(0, 4));
}

} // namespace keyvane
