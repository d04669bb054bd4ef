// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace keyvane {

// The hash of a word for the engine's word sets and the vocabularies' filters, eight bytes at a
// step. Bytes are read little-endian, so the same word hashes alike on every machine: the filters
// are kept in files, and changing this means rebuilding every vocabulary (the build does, as it
// depends on this header) and a new mark at a vocabulary file's end (Vocabulary.cpp), so that an
// old file's filter is never read with the new hash.
inline std::uint64_t hashWord(std::string_view word) {
    const auto load = [](const char* at, auto value) {
        std::memcpy(&value, at, sizeof value);
        if constexpr (std::endian::native == std::endian::big) {
            value = sizeof value == 8
                        ? static_cast<decltype(value)>(__builtin_bswap64(value))
                        : static_cast<decltype(value)>(__builtin_bswap32(static_cast<std::uint32_t>(value)));
        }
        return value;
    };
    const char* p = word.data();
    std::size_t n = word.size();
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ n;
    for (; n >= 8; p += 8, n -= 8) {
        h = (h ^ load(p, std::uint64_t{0})) * 0xBF58476D1CE4E5B9ULL;
        h ^= h >> 31;
    }
    // The last bytes: from four on, the first four and the last four (they may overlap; the
    // length is in the hash already).
    std::uint64_t tail = 0;
    if (n >= 4) {
        tail =
            (static_cast<std::uint64_t>(load(p, std::uint32_t{0})) << 32) | load(p + n - 4, std::uint32_t{0});
    } else if (n > 0) {
        const auto byte = [&](std::size_t i) {
            return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]));
        };
        tail = (byte(0) << 16) | (byte(n / 2) << 8) | byte(n - 1);
    }
    h = (h ^ tail) * 0x94D049BB133111EBULL;
    return h ^ (h >> 29);
}

} // namespace keyvane
