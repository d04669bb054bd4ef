// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace keyvane {

// Hash that lets string-keyed tables be searched with a string_view, without a copy. The keys
// are short (characters, bigrams, words), for which FNV-1a is fast and spreads well.
struct TransparentStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        std::uint64_t h = 14695981039346656037ULL;
        for (char c : s) {
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
};

// A set of words or of characters (grapheme clusters), searchable by string_view.
using StringSet = std::unordered_set<std::string, TransparentStringHash, std::equal_to<>>;

// A string-keyed table searchable by string_view.
template <typename Value>
using StringMap = std::unordered_map<std::string, Value, TransparentStringHash, std::equal_to<>>;

} // namespace keyvane
