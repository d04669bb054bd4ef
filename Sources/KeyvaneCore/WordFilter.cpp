// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/WordFilter.h"

#include "KeyvaneCore/WordHash.h"

#include <algorithm>

namespace keyvane {
namespace {

// Bits per word of the set, and bits set per word in its block.
constexpr std::size_t bitsPerWord = 10;
constexpr unsigned int probes = 6;

// The block of a hash, and the bits within it (each below 512).
std::size_t blockOf(std::uint64_t h, std::size_t blockCount) {
    return static_cast<std::size_t>(((h >> 32) * blockCount) >> 32);
}
unsigned int bitOf(std::uint64_t h, unsigned int probe) {
    const std::uint64_t g = h * 0x9e3779b97f4a7c15ULL;
    return static_cast<unsigned int>((g >> (10 + 9 * probe)) & 511U);
}

} // namespace

std::vector<std::uint64_t> WordFilter::build(const std::vector<std::string>& words) {
    const std::size_t blockCount = std::max<std::size_t>(1, (words.size() * bitsPerWord + 511) / 512);
    std::vector<std::uint64_t> blocks(blockCount * wordsPerBlock, 0);
    for (const std::string& word : words) {
        const std::uint64_t h = hashWord(word);
        std::uint64_t* block = blocks.data() + blockOf(h, blockCount) * wordsPerBlock;
        for (unsigned int p = 0; p < probes; ++p) {
            const unsigned int bit = bitOf(h, p);
            block[bit / 64] |= std::uint64_t{1} << (bit % 64);
        }
    }
    return blocks;
}

void WordFilter::prefetch(std::uint64_t hash) const {
    if (blockCount_ != 0) {
        __builtin_prefetch(blocks_ + blockOf(hash, blockCount_) * wordsPerBlock);
    }
}

bool WordFilter::mayContain(std::string_view word) const {
    if (blockCount_ == 0) {
        return true;
    }
    const std::uint64_t h = hashWord(word);
    const std::uint64_t* block = blocks_ + blockOf(h, blockCount_) * wordsPerBlock;
    for (unsigned int p = 0; p < probes; ++p) {
        const unsigned int bit = bitOf(h, p);
        if ((block[bit / 64] & (std::uint64_t{1} << (bit % 64))) == 0) {
            return false;
        }
    }
    return true;
}

} // namespace keyvane
