// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/Word.h"

#include "KeyvaneCore/UnicodeText.h"

namespace keyvane {

char32_t Word::smallCodePointOf(std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    if (character.size() == 1) {
        return lead < 0x80 ? lead : noCodePoint;
    }
    if (character.size() == 2 && (lead & 0xE0) == 0xC0) {
        return (static_cast<char32_t>(lead & 0x1F) << 6) | (static_cast<unsigned char>(character[1]) & 0x3F);
    }
    return noCodePoint;
}

void Word::assign(std::string_view text) {
    characters_.clear();
    characters_.reserve(text.size());
    // Most words are made of code points that are characters of their own: split them directly.
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = UnicodeText::aloneCharacterAt(text, at, c);
        if (length == 0) {
            characters_.clear();
            break;
        }
        at += length;
        characters_.push_back({static_cast<std::uint32_t>(at), c < 0x800 ? c : noCodePoint});
    }
    if (!characters_.empty() || text.empty()) {
        text_.assign(text);
        return;
    }
    text_.clear();
    text_.reserve(text.size());
    UnicodeText::eachGrapheme(text, [&](std::string_view character) {
        text_.append(character);
        characters_.push_back({static_cast<std::uint32_t>(text_.size()), smallCodePointOf(character)});
    });
}

} // namespace keyvane
