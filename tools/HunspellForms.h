// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane {

// Every word form a hunspell dictionary accepts, generated from its .dic and .aff text (UTF-8):
// each stem, its suffixed and prefixed forms, and both at once where the affixes combine. The
// conditions of the affix rules are matched letter by letter, not byte by byte, so Cyrillic rules
// such as "SFX X ватися юся [ауюя]ватися" expand as the spell checker reads them (unmunch does
// not). Continuation classes, compounding and morphology are not expanded; the Debian English,
// Russian and Ukrainian dictionaries use none for their word forms.
class HunspellForms {
public:
    // The affix rules; nothing when the text holds no usable rule section.
    static std::optional<HunspellForms> parse(std::string_view affText);

    // Calls `emit` with every form of every entry of the dictionary text (duplicates included).
    void expand(std::string_view dicText, const std::function<void(const std::string&)>& emit) const;

    // One position of a rule's condition: any letter, a set of letters, or all but a set.
    struct ConditionElement {
        bool any = false;
        bool negated = false;
        std::u32string letters;
    };
    struct Rule {
        std::u32string strip;
        std::u32string add;
        std::vector<ConditionElement> condition;
    };
    struct Affix {
        char32_t flag = 0;
        bool prefix = false;
        bool crossProduct = false;
        std::vector<Rule> rules;
    };

private:
    HunspellForms() = default;

    std::u32string ignored_; // characters removed from stems and affixes (stress marks)
    std::vector<Affix> affixes_;
};

} // namespace keyvane
