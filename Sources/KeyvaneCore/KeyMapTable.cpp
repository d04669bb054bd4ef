// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/KeyMapTable.h"

#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <array>

namespace keyvane {

KeyMapTable::KeyMapTable(KeyboardMap lower, KeyboardMap upper)
    : lower_(std::move(lower))
    , upper_(std::move(upper))
    , slots_(tableEnd, 0) {
    for (char32_t c = 0; c < tableEnd; ++c) {
        const std::string character = UnicodeText::fromCodePoint(c);
        // A character that is no key of either map and no capital stays as it is.
        if (!UnicodeText::isUpperCase(character) && !lower_.contains(character) &&
            !upper_.contains(character)) {
            continue;
        }
        std::string rendered = KeyboardMaps::mapCharacter(character, lower_, upper_);
        if (rendered != character) {
            longestRendered_ = std::max(longestRendered_, rendered.size());
            rendered_.push_back(std::move(rendered));
            slots_[c] = static_cast<std::uint16_t>(rendered_.size());
        }
    }
}

std::optional<std::size_t> KeyMapTable::renderByCodePoints(std::string_view token, char* out) const {
    char* next = out;
    for (std::size_t i = 0; i < token.size();) {
        char32_t code = 0;
        const std::size_t length = UnicodeText::aloneCharacterAt(token, i, code);
        if (length == 0 || code >= tableEnd) {
            return std::nullopt;
        }
        const std::uint16_t slot = slots_[code];
        if (slot != 0) {
            const std::string& rendered = rendered_[slot - 1];
            next = std::copy(rendered.begin(), rendered.end(), next);
        } else {
            next = std::copy_n(token.data() + i, length, next);
        }
        i += length;
    }
    return static_cast<std::size_t>(next - out);
}

std::string KeyMapTable::render(std::string_view token) const {
    // Most words are characters of the table's blocks that each stand alone: one per code point,
    // rendered on the stack and copied once.
    constexpr std::size_t room = 256;
    if (slots_.size() == tableEnd && token.size() * std::max<std::size_t>(longestRendered_, 1) <= room) {
        std::array<char, room> buffer;
        if (const std::optional<std::size_t> length = renderByCodePoints(token, buffer.data())) {
            return std::string(buffer.data(), *length);
        }
    }
    std::string out;
    // A word with a cluster of several code points, or a character past the table: every
    // character through the maps.
    UnicodeText::eachGrapheme(
        token, [&](std::string_view c) { out += KeyboardMaps::mapCharacter(c, lower_, upper_); });
    return out;
}

} // namespace keyvane
