// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/WordFilter.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marisa {
class Agent;
class Trie;
} // namespace marisa

namespace keyvane {

// Unmaps a file mapped whole.
struct MappedFileRelease {
    std::size_t size = 0;
    void operator()(void* address) const;
};

// Every word form a language's dictionary accepts (about 1.3 million Russian and 3 million
// Ukrainian forms), lower-cased, in a compressed trie mapped from a file built at build time: a
// lookup touches a few pages of it, and mapping it costs nothing at start. The trie holds each
// word in a code of one byte a letter when every word has one (a key no word can be marks such a
// trie, so a file read without its end still answers right). Most lookups are of
// words it does not have; a filter kept after the trie in the same file turns nearly all of them
// away before the trie is walked. Like the engine, it is used from one thread (a lookup reuses
// one search state).
class Vocabulary {
public:
    Vocabulary();
    ~Vocabulary();

    // The trie file mapped, or nothing when it is missing or damaged.
    static std::shared_ptr<const Vocabulary> map(const std::string& path);
    // A vocabulary of the given words (tests, small tools).
    static std::shared_ptr<const Vocabulary> ofWords(const std::vector<std::string>& words);
    // Writes a trie file of the words, with their filter; false on failure (the file is then left
    // as it was). A file of the trie alone maps too, without a filter.
    static bool write(const std::vector<std::string>& words, const std::string& path);

    bool contains(std::string_view lowerCasedWord) const;
    // Asks the memory for the filter block of a word of this hash (hashWord).
    void prefetch(std::uint64_t hash) const { filter_.prefetch(hash); }
    std::size_t size() const;

    // The words of the vocabularies' alphabets take one byte a letter in the trie, which halves
    // the levels a lookup of a Cyrillic word walks: ASCII stays as it is, а…џ (U+0430–U+045F)
    // become 0x80–0xAF and ґ 0xB0. Writes the code of `word` to `out` (room for word.size()
    // bytes) and gives its length, or nothing for a word with any other character.
    static std::optional<std::size_t> toLetterCode(std::string_view word, char* out);

private:
    void readKeyForm();

    std::unique_ptr<void, MappedFileRelease>
        mapping_;                          // the file, when mapped; outlives the trie read from it
    std::vector<std::uint64_t> ownFilter_; // the filter's blocks, when built in memory
    WordFilter filter_;
    std::unique_ptr<marisa::Trie> trie_;
    std::unique_ptr<marisa::Agent> agent_; // the search state, kept between lookups
    bool lettersCoded_ = false;            // the trie's words are in the letter code
};

} // namespace keyvane
