// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// A blocked Bloom filter over a set of words: for a word of the set it always answers "maybe",
// for about 98 of every 100 other words "no", reading one 64-byte block. It sits in front of a
// vocabulary whose lookups walk a large trie, most of them for words that are not there. Its
// blocks are kept in the vocabulary file, so how a word picks its bits is fixed (see hashWord).
class WordFilter {
public:
    static constexpr std::size_t wordsPerBlock = 8; // 64-bit words, 512 bits
    static constexpr std::size_t blockBytes = wordsPerBlock * sizeof(std::uint64_t);

    // The blocks of a filter over the words.
    static std::vector<std::uint64_t> build(const std::vector<std::string>& words);

    WordFilter() = default;
    // A filter over blocks made by build (a multiple of wordsPerBlock 64-bit words), which must
    // outlive it.
    WordFilter(const std::uint64_t* blocks, std::size_t blockCount)
        : blocks_(blocks)
        , blockCount_(blockCount) {}

    // False only for a word the filter was not built with; without blocks, always true.
    bool mayContain(std::string_view word) const;
    // Asks the memory for the block of a word of this hash (hashWord).
    void prefetch(std::uint64_t hash) const;

private:
    const std::uint64_t* blocks_ = nullptr;
    std::size_t blockCount_ = 0;
};

} // namespace keyvane
