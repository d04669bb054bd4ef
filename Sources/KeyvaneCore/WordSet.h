// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// An immutable set of words built once when the rules file is loaded: tens of thousands of common
// words per language. The words sit side by side in one buffer and an open-addressing table
// points into it, so loading costs a few allocations instead of two per word, and a lookup
// touches one or two cache lines. Copies share the storage.
class WordSet {
    struct Storage {
        std::string text; // each word as a 4-byte length and its bytes
        // Per slot: the word's hash in the high half (so most misses never read the text) and its
        // offset + 1 in the text in the low half; 0 marks a free slot.
        std::vector<uint64_t> cells;
        std::size_t count = 0;
    };

public:
    WordSet() = default;

    // Fills a set word by word (room for `expected` words of `expectedBytes` bytes in all is made at
    // once; more still fit).
    class Builder {
    public:
        explicit Builder(std::size_t expected, std::size_t expectedBytes = 0);
        void insert(std::string_view word);
        WordSet build();

    private:
        void grow();
        std::shared_ptr<Storage> storage_;
    };

    bool contains(std::string_view word) const;
    // Asks the memory for the cell where a word of this hash (hashWord) would be, so that a
    // lookup of it a little later does not wait.
    void prefetch(std::uint64_t hash) const;
    std::size_t size() const { return storage_ ? storage_->count : 0; }
    bool empty() const { return size() == 0; }

private:
    std::shared_ptr<const Storage> storage_;
};

} // namespace keyvane
