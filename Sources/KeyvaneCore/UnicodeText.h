// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/Models.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Unicode helpers for UTF-8 text. A "character" everywhere in Keyvane is one
// user-perceived character (an extended grapheme cluster), held as a UTF-8 string.
namespace keyvane::UnicodeText {

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points past
// U+10FFFF), at any length.
bool isValidUtf8(std::string_view text);

// The code points of UTF-8 text (invalid bytes become U+FFFD), and back.
std::u32string codePoints(std::string_view text);
std::string fromCodePoints(std::u32string_view codePoints);
// One code point in UTF-8 (U+FFFD for a surrogate or a value past U+10FFFF).
std::string fromCodePoint(char32_t codePoint);

// Splits text into grapheme clusters, in order. Invalid UTF-8 bytes become U+FFFD.
std::vector<std::string> graphemes(std::string_view text);

// The same clusters handed to `sink` one by one, without copying them (each view lives only for
// the call).
void eachGrapheme(std::string_view text, void (*sink)(void* context, std::string_view grapheme),
                  void* context);
template <typename Sink> void eachGrapheme(std::string_view text, Sink&& sink) {
    eachGrapheme(
        text,
        [](void* context, std::string_view grapheme) {
            (*static_cast<std::remove_reference_t<Sink>*>(context))(grapheme);
        },
        &sink);
}

// Whether a code point is a character of its own whatever stands around it (it never joins a
// neighbour into one cluster): letters, digits and punctuation of most scripts, not CR or marks.
bool standsAloneBeyondASCII(char32_t codePoint);
inline bool standsAlone(char32_t codePoint) {
    // Printable ASCII always does, and so does all of Cyrillic but its combining marks
    // (U+0483–U+0489); the table and ICU answer for the rest.
    if (codePoint >= 0x20 && codePoint < 0x7F) {
        return true;
    }
    if (codePoint >= 0x0400 && codePoint < 0x0530) {
        return codePoint < 0x0483 || codePoint > 0x0489;
    }
    return standsAloneBeyondASCII(codePoint);
}

// The length of the UTF-8 sequence at `at` when it is well-formed and encodes a code point that
// stands alone as a character, with that code point in `codePoint`; 0 otherwise (also for a code
// point past U+FFFF, which the callers send the slow way).
inline std::size_t aloneCharacterAt(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    char32_t c = 0;
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
    codePoint = c;
    return length != 0 && standsAlone(c) ? length : 0;
}

// The distinct characters of text.
StringSet characterSet(std::string_view text);

// Number of grapheme clusters in text.
std::size_t length(std::string_view text);

// The first grapheme cluster of text, or an empty string for empty text.
std::string firstGrapheme(std::string_view text);

// Full Unicode case mapping (language-neutral rules).
std::string toLower(std::string_view text);
// The same into `out`, which keeps its room from word to word (`text` must not be part of it).
void toLowerInto(std::string_view text, std::string& out);
std::string toUpper(std::string_view text);

// True when the character is upper-case: a single code point with the Unicode upper-case
// property, or a cased character equal to its own upper-case form (a capital with
// combining marks, for example).
bool isUpperCase(std::string_view character);
// Whether some code point of the text is upper-case: false means no character of it is.
bool hasUpperCase(std::string_view text);

// True when the character's first code point is a letter (general category L).
bool isLetter(std::string_view character);
bool isLetter(char32_t codePoint);

// True when the character's first code point is numeric (a digit or any other number).
bool isNumeric(std::string_view character);
bool isNumeric(char32_t codePoint);

// The first code point of text, or -1 for empty or malformed text.
int32_t firstCodePoint(std::string_view text);

// True when the character is white space or a line break (Unicode White_Space).
bool isWhitespace(std::string_view character);

// The text without the leading and trailing characters for which drop holds.
std::string trim(std::string_view text, bool (*drop)(std::string_view character));

// The text without leading and trailing white space and line breaks.
std::string trimWhitespace(std::string_view text);

// True when the character is punctuation (Unicode general category P).
bool isPunctuation(std::string_view character);

// The pieces of text between runs of white space, empty pieces dropped.
std::vector<std::string> splitOnWhitespace(std::string_view text);

// True when every byte is ASCII.
bool isAscii(std::string_view text);

} // namespace keyvane::UnicodeText
