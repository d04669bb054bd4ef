// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/LanguageConfig.h"
#include "KeyvaneCore/Word.h"
#include "KeyvaneCore/WordSet.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace keyvane {

// One language's vowels and letter pairs as tables of code points, and the beginnings of its
// frequent words, made when the rules file loads: scoring a word then reads numbers instead of
// hashing strings. Characters past the tables' range (and clusters of several code points) are
// looked up in the language's own sets, with the same answers.
class LetterTables {
public:
    explicit LetterTables(const LanguageConfig& language);

    bool isVowel(const Word& word, std::size_t index) const;
    // The weight of the pair of characters at `index` and `index + 1`; NaN for a pair the language
    // does not list (a weight read from the rules file is never NaN). A number rather than an
    // optional: it is asked for every pair of every reading, and an optional comes back through
    // memory.
    double pairWeight(const Word& word, std::size_t index) const;
    // Whether some frequent word of four or more characters could begin the word: false means
    // none does.
    bool mayStartWithFrequentWord(const Word& word) const;
    double unknownPairWeight() const { return language_->unknownBigramWeight; }
    // Whether the (lower-cased) text is one of the language's most frequent short words.
    bool isFrequentWord(std::string_view text) const { return frequentWords_.contains(text); }
    // Whether the apostrophe is one of the language's letters (as in Ukrainian "пам'ять").
    bool apostropheIsLetter() const { return apostropheIsLetter_; }

    // The language's impossible and rare patterns, each list searched as one.
    const CompiledRegex::AnyOf& impossiblePatterns() const { return impossible_; }
    const CompiledRegex::AnyOf& rarePatterns() const { return rare_; }

    // The language's lists of typical word beginnings and endings.
    enum class Affix { strongStart, weakStart, strongEnd, weakEnd };
    // Whether the word begins (ends) with some entry of the list: one lookup per length of entry.
    bool hasAffix(Affix which, std::string_view word) const;

private:
    static constexpr char32_t tableEnd = 0x0800; // Word::smallCodePoint's range
    static std::uint32_t pairKey(char32_t first, char32_t second) { return (first << 11) | second; }
    void indexPairs();
    // The first (last) `length` bytes of the word (at most eight, and no more than it has) as a number.
    static std::uint64_t packedStart(std::string_view word, std::size_t length);
    static std::uint64_t packedEnd(std::string_view word, std::size_t length);

    const LanguageConfig* language_;
    std::bitset<tableEnd> vowels_;
    std::unordered_map<std::uint32_t, double> pairs_; // every listed pair of two small code points
    // The same pairs as a square table over the code points they are made of (at most 128):
    // each code point's place, 0 for one in no pair; NaN where a pair is not listed.
    std::vector<std::uint8_t> pairPlace_;
    std::size_t places_ = 0;
    std::vector<double> pairTable_;
    WordSet frequentWords_;      // the language's micro dictionary
    WordSet frequentBeginnings_; // the first four characters of frequent words
    bool apostropheIsLetter_ = false;
    // Entries of up to eight bytes are numbers (their bytes, the first lowest), sorted, by length:
    // a lookup compares numbers in one small block instead of hashing into a table. Longer
    // entries are in a set.
    struct Affixes {
        struct Group {
            std::uint32_t length; // in bytes
            std::uint32_t begin;  // in packed
            std::uint32_t end;
        };
        std::vector<Group> groups; // shortest first
        std::vector<std::uint64_t> packed;
        WordSet longer;
        std::vector<std::size_t> longerLengths; // of the longer entries in bytes, each once, shortest first
    };
    std::array<Affixes, 4> affixes_;
    CompiledRegex::AnyOf impossible_;
    CompiledRegex::AnyOf rare_;
};

} // namespace keyvane
