// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/WordSet.h"

#include <cstring>

namespace keyvane {

namespace {

uint32_t wordLength(const std::string& text, uint32_t offset) {
    uint32_t length = 0;
    std::memcpy(&length, text.data() + offset, sizeof length);
    return length;
}

std::string_view wordAt(const std::string& text, uint32_t offset) {
    return {text.data() + offset + sizeof(uint32_t), wordLength(text, offset)};
}

// Eight bytes at a step: every lookup hashes a whole word. The low bits choose the slot, the high
// half is kept in it to tell most other words apart without reading their text.
uint64_t hashOf(std::string_view word) {
    const char* p = word.data();
    std::size_t n = word.size();
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ n;
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t chunk = 0;
        std::memcpy(&chunk, p, sizeof chunk);
        h = (h ^ chunk) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 31;
    }
    // The last bytes: from four on, the first four and the last four (they may overlap; the
    // length is in the hash already).
    uint64_t tail = 0;
    if (n >= 4) {
        uint32_t first = 0;
        uint32_t last = 0;
        std::memcpy(&first, p, sizeof first);
        std::memcpy(&last, p + n - 4, sizeof last);
        tail = (static_cast<uint64_t>(first) << 32) | last;
    } else if (n > 0) {
        const auto byte = [&](std::size_t i) {
            return static_cast<uint64_t>(static_cast<unsigned char>(p[i]));
        };
        tail = (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
    }
    h = (h ^ tail) * 0x94D049BB133111EBULL;
    return h ^ (h >> 29);
}

uint64_t slotValue(uint64_t hash, uint32_t offset) {
    return (hash & 0xFFFFFFFF00000000ULL) | (static_cast<uint64_t>(offset) + 1);
}

uint32_t offsetOf(uint64_t slot) {
    return static_cast<uint32_t>(slot) - 1;
}

bool sameHash(uint64_t slot, uint64_t hash) {
    return (slot >> 32) == (hash >> 32);
}

} // namespace

WordSet::Builder::Builder(std::size_t expected, std::size_t expectedBytes)
    : storage_(std::make_shared<Storage>()) {
    std::size_t capacity = 16;
    while (capacity < expected * 2) { // at most half full
        capacity *= 2;
    }
    storage_->cells.assign(capacity, 0);
    storage_->text.reserve(expected * sizeof(uint32_t) +
                           (expectedBytes != 0 ? expectedBytes : expected * 16));
}

void WordSet::Builder::grow() {
    Storage& s = *storage_;
    std::vector<uint64_t> old(s.cells.size() * 2, 0);
    old.swap(s.cells);
    const std::size_t mask = s.cells.size() - 1;
    for (uint64_t entry : old) {
        if (entry != 0) {
            std::size_t slot = hashOf(wordAt(s.text, offsetOf(entry))) & mask;
            while (s.cells[slot] != 0) {
                slot = (slot + 1) & mask;
            }
            s.cells[slot] = entry;
        }
    }
}

void WordSet::Builder::insert(std::string_view word) {
    if ((storage_->count + 1) * 2 > storage_->cells.size()) {
        grow();
    }
    Storage& s = *storage_;
    const std::size_t mask = s.cells.size() - 1;
    const uint64_t hash = hashOf(word);
    std::size_t slot = hash & mask;
    for (; s.cells[slot] != 0; slot = (slot + 1) & mask) {
        if (sameHash(s.cells[slot], hash) && wordAt(s.text, offsetOf(s.cells[slot])) == word) {
            return;
        }
    }
    const auto offset = static_cast<uint32_t>(s.text.size());
    const auto length = static_cast<uint32_t>(word.size());
    s.text.append(reinterpret_cast<const char*>(&length), sizeof length);
    s.text.append(word);
    s.cells[slot] = slotValue(hash, offset);
    ++s.count;
}

WordSet WordSet::Builder::build() {
    WordSet set;
    storage_->text.shrink_to_fit();
    set.storage_ = std::move(storage_);
    storage_ = std::make_shared<Storage>();
    storage_->cells.assign(16, 0);
    return set;
}

bool WordSet::contains(std::string_view word) const {
    if (!storage_) {
        return false;
    }
    const Storage& s = *storage_;
    const std::size_t mask = s.cells.size() - 1;
    const uint64_t hash = hashOf(word);
    for (std::size_t slot = hash & mask; s.cells[slot] != 0; slot = (slot + 1) & mask) {
        if (sameHash(s.cells[slot], hash) && wordAt(s.text, offsetOf(s.cells[slot])) == word) {
            return true;
        }
    }
    return false;
}

} // namespace keyvane
