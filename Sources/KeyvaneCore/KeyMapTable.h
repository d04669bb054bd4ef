// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/KeyboardMaps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// One direction's key maps with what every character of the Latin, Greek and Cyrillic blocks
// becomes worked out once: rendering a word then reads a table per character. A word with any
// other character (or a cluster of several code points) goes through the maps as
// `KeyboardMaps::mapToken` does, with the same result.
class KeyMapTable {
public:
    KeyMapTable() = default;
    KeyMapTable(KeyboardMap lower, KeyboardMap upper);

    std::string render(std::string_view token) const;

private:
    static constexpr char32_t tableEnd = 0x0530;

    // Renders a word whose code points are all below tableEnd and each a character of its own
    // into `out`, which has room for longestRendered_ bytes a byte of the token; the length
    // written, or nothing for any other word.
    std::optional<std::size_t> renderByCodePoints(std::string_view token, char* out) const;

    KeyboardMap lower_;
    KeyboardMap upper_;
    // For each code point below tableEnd: 0 when it stays as it is, else 1 + its index in rendered_.
    std::vector<std::uint16_t> slots_;
    std::vector<std::string> rendered_;
    // The longest rendering of one character, in bytes.
    std::size_t longestRendered_ = 0;
};

} // namespace keyvane
