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
    explicit Word(std::string_view text) { assign(text); }
    // Splits another text in its place, keeping the room already made.
    void assign(std::string_view text);

    const std::string& text() const { return text_; }
    // The number of characters.
    std::size_t length() const { return characters_.size(); }
    bool empty() const { return characters_.empty(); }
    std::string_view character(std::size_t index) const { return characters(index, index + 1); }
    // Characters [from, to) as one piece of the text.
    std::string_view characters(std::size_t from, std::size_t to) const {
        const std::size_t begin = from == 0 ? 0 : characters_[from - 1].end;
        return std::string_view(text_.data() + begin, characters_[to - 1].end - begin);
    }
    // The first `count` characters, split as they are here.
    Word prefix(std::size_t count) const {
        Word first;
        first.characters_.assign(characters_.begin(),
                                 characters_.begin() + static_cast<std::ptrdiff_t>(count));
        first.text_.assign(text_, 0, count == 0 ? 0 : characters_[count - 1].end);
        return first;
    }
    // The code point of a character that is one code point below U+0800 (every letter of the
    // Latin, Greek and Cyrillic blocks); `noCodePoint` for any other character.
    static constexpr char32_t noCodePoint = 0xFFFFFFFF;
    char32_t smallCodePoint(std::size_t index) const { return characters_[index].smallCodePoint; }

private:
    struct Character {
        std::uint32_t end;       // the byte where it ends
        char32_t smallCodePoint; // decoded once: every scoring table reads it
    };
    static char32_t smallCodePointOf(std::string_view character);

    std::string text_;
    std::vector<Character> characters_;
};

} // namespace keyvane
