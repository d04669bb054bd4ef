// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/Language.h"

#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace keyvane {

struct LineContext;
class RulesEngine;
struct RulesDecision;

// The language the words already typed on the current line are written in. A line rarely changes
// language, so this is stronger evidence for the next word than the session's streak, and it is
// there from the second word of a line. Only words that belong to exactly one language count;
// the last few such words vote, and a tie goes to the most recent one.
class LineLanguageEvidence {
public:
    static constexpr std::size_t votingWords = 6;

    // A finished word of the line and the one language it belongs to (absent: none or several,
    // which is no evidence either way).
    void recordWord(std::optional<Language> language, bool corrected = false);
    // A word as typed and the engine's decision on it: the one language that has the word as it
    // now stands; a corrected word no list has, the language it was corrected into.
    void recordWord(const RulesEngine& engine, std::string_view typed, const RulesDecision& decision);
    // Return, Tab, a click, a focus move: what follows is a new line.
    void newLine();
    // The layout the next word is typed on. The evidence is about words typed on one layout: once
    // the layout changes (the user switched, or a correction did), the line starts over.
    void useLayout(Language layout);

    std::optional<Language> language() const;
    // The language, and whether some of its voting words were corrections (the line is being
    // typed on the wrong layout).
    LineContext context() const;

private:
    struct Vote {
        Language language = Language::en;
        bool corrected = false;
    };
    std::deque<Vote> recent_; // oldest first
    std::optional<Language> layout_;
};

} // namespace keyvane
