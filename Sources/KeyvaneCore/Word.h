// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// A piece of text split once into its characters (grapheme clusters): the stages of the engine
// read one split of a word instead of each making its own. Text that is not well-formed UTF-8 is
// held with U+FFFD in place of the bad bytes, as every split in the program reads it.
class Word {
public:
    Word() = default;
    explicit Word(std::string_view text);

    const std::string& text() const { return text_; }
    // The number of characters.
    std::size_t length() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view character(std::size_t index) const { return characters(index, index + 1); }
    // Characters [from, to) as one piece of the text.
    std::string_view characters(std::size_t from, std::size_t to) const {
        const std::size_t begin = from == 0 ? 0 : ends_[from - 1];
        return std::string_view(text_.data() + begin, ends_[to - 1] - begin);
    }
    // The first `count` characters, split as they are here.
    Word prefix(std::size_t count) const {
        Word first;
        first.ends_.assign(ends_.begin(), ends_.begin() + static_cast<std::ptrdiff_t>(count));
        first.text_.assign(text_, 0, count == 0 ? 0 : ends_[count - 1]);
        return first;
    }
    // The code point of a character that is one code point below U+0800 (every letter of the
    // Latin, Greek and Cyrillic blocks); `noCodePoint` for any other character.
    static constexpr char32_t noCodePoint = 0xFFFFFFFF;
    char32_t smallCodePoint(std::size_t index) const {
        const std::string_view c = character(index);
        const auto lead = static_cast<unsigned char>(c[0]);
        if (c.size() == 1) {
            return lead < 0x80 ? lead : noCodePoint;
        }
        if (c.size() == 2 && (lead & 0xE0) == 0xC0) {
            return (static_cast<char32_t>(lead & 0x1F) << 6) | (static_cast<unsigned char>(c[1]) & 0x3F);
        }
        return noCodePoint;
    }

private:
    std::string text_;
    std::vector<std::uint32_t> ends_; // the byte where each character ends
};

} // namespace keyvane
