#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace keyvane {

// Hash that lets string-keyed tables be searched with a string_view, without a copy.
struct TransparentStringHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

// A set of words or of characters (grapheme clusters), searchable by string_view.
using StringSet = std::unordered_set<std::string, TransparentStringHash, std::equal_to<>>;

// A string-keyed table searchable by string_view.
template <typename Value>
using StringMap = std::unordered_map<std::string, Value, TransparentStringHash, std::equal_to<>>;

} // namespace keyvane
