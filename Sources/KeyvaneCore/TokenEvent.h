// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace keyvane {

// The key that ended a word.
struct BoundaryType {
    enum class Kind { punctuation, space, enter, tab };

    Kind kind = Kind::space;
    std::string punctuation; // the punctuation character typed; empty for the other kinds

    static BoundaryType punctuationMark(std::string character) {
        return {Kind::punctuation, std::move(character)};
    }
    static BoundaryType space() { return {Kind::space, {}}; }
    static BoundaryType enter() { return {Kind::enter, {}}; }
    static BoundaryType tab() { return {Kind::tab, {}}; }

    // The text the boundary key types: the punctuation character, " ", "\n" or "\t".
    std::string text() const;

    bool operator==(const BoundaryType&) const = default;
};

// "punctuation", "space", "enter" or "tab".
const char* toString(BoundaryType::Kind kind);

// One classified key press, the only input of the token buffer.
struct TokenEvent {
    enum class Kind { character, boundary, backspace, reset };

    Kind kind = Kind::reset;
    std::string character; // for `character`: one grapheme cluster
    BoundaryType boundary; // for `boundary`

    static TokenEvent characterEvent(std::string c) { return {Kind::character, std::move(c), {}}; }
    static TokenEvent boundaryEvent(BoundaryType b) { return {Kind::boundary, {}, std::move(b)}; }
    static TokenEvent backspace() { return {Kind::backspace, {}, {}}; }
    static TokenEvent reset() { return {Kind::reset, {}, {}}; }

    bool operator==(const TokenEvent&) const = default;
};

// A finished word (never empty) and the boundary that ended it.
struct EmittedToken {
    std::string token;
    BoundaryType boundary;

    bool operator==(const EmittedToken&) const = default;
};

} // namespace keyvane
