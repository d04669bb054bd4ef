// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/Word.h"

#include "KeyvaneCore/UnicodeText.h"

namespace keyvane {

namespace {

// The length of the UTF-8 sequence at `at` when it is well-formed and encodes a code point that
// stands alone as a character (0 otherwise).
std::size_t aloneCharacterAt(std::string_view text, std::size_t at, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    c = 0;
    std::size_t length = 0;
    if (lead < 0x80) {
        c = lead;
        length = 1;
    } else if ((lead & 0xE0) == 0xC0 && at + 1 < text.size() && (byte(at + 1) & 0xC0) == 0x80) {
        c = (static_cast<char32_t>(lead & 0x1F) << 6) | (byte(at + 1) & 0x3F);
        length = c >= 0x80 ? 2 : 0;
    } else if ((lead & 0xF0) == 0xE0 && at + 2 < text.size() && (byte(at + 1) & 0xC0) == 0x80 &&
               (byte(at + 2) & 0xC0) == 0x80) {
        c = (static_cast<char32_t>(lead & 0x0F) << 12) | (static_cast<char32_t>(byte(at + 1) & 0x3F) << 6) |
            (byte(at + 2) & 0x3F);
        length = c >= 0x800 && !(c >= 0xD800 && c <= 0xDFFF) ? 3 : 0;
    }
    return length != 0 && UnicodeText::standsAlone(c) ? length : 0;
}

} // namespace

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
        const std::size_t length = aloneCharacterAt(text, at, c);
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
