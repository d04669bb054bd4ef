// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/WordSet.h"

#include "KeyvaneCore/WordHash.h"

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

// Every lookup hashes a whole word. The low bits choose the slot, the high half is kept in it to
// tell most other words apart without reading their text.
uint64_t hashOf(std::string_view word) {
    return hashWord(word);
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

void WordSet::prefetch(uint64_t hash) const {
    if (storage_) {
        __builtin_prefetch(storage_->cells.data() + (hash & (storage_->cells.size() - 1)));
    }
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
