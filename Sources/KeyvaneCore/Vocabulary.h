// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace marisa {
class Agent;
class Trie;
} // namespace marisa

namespace keyvane {

// Every word form a language's dictionary accepts (about 1.3 million Russian and 3 million
// Ukrainian forms), lower-cased, in a compressed trie mapped from a file built at build time: a
// lookup touches a few pages of it, and mapping it costs nothing at start. Like the engine, it is
// used from one thread (a lookup reuses one search state).
class Vocabulary {
public:
    Vocabulary();
    ~Vocabulary();

    // The trie file mapped, or nothing when it is missing or damaged.
    static std::shared_ptr<const Vocabulary> map(const std::string& path);
    // A vocabulary of the given words (tests, small tools).
    static std::shared_ptr<const Vocabulary> ofWords(const std::vector<std::string>& words);
    // Writes a trie file of the words; false on failure (the file is then left as it was).
    static bool write(const std::vector<std::string>& words, const std::string& path);

    bool contains(std::string_view lowerCasedWord) const;
    std::size_t size() const;

private:
    std::unique_ptr<marisa::Trie> trie_;
    std::unique_ptr<marisa::Agent> agent_; // the search state, kept between lookups
};

} // namespace keyvane
