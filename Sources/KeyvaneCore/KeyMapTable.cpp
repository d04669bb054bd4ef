// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/KeyMapTable.h"

#include "KeyvaneCore/UnicodeText.h"

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
            rendered_.push_back(std::move(rendered));
            slots_[c] = static_cast<std::uint16_t>(rendered_.size());
        }
    }
}

bool KeyMapTable::renderByCodePoints(std::string_view token, std::string& out) const {
    for (std::size_t i = 0; i < token.size();) {
        char32_t code = 0;
        const std::size_t length = UnicodeText::aloneCharacterAt(token, i, code);
        if (length == 0 || code >= tableEnd) {
            return false;
        }
        const std::uint16_t slot = slots_[code];
        if (slot != 0) {
            out += rendered_[slot - 1];
        } else if (length == 1) {
            out.push_back(token[i]);
        } else {
            out.append(token, i, length);
        }
        i += length;
    }
    return true;
}

std::string KeyMapTable::render(std::string_view token) const {
    std::string out;
    out.reserve(token.size() * 2);
    // Most words are characters of the table's blocks that each stand alone: one per code point.
    if (slots_.size() == tableEnd && renderByCodePoints(token, out)) {
        return out;
    }
    // A word with a cluster of several code points, or a character past the table: every
    // character through the maps.
    out.clear();
    UnicodeText::eachGrapheme(
        token, [&](std::string_view c) { out += KeyboardMaps::mapCharacter(c, lower_, upper_); });
    return out;
}

} // namespace keyvane
