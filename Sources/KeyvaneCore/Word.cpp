// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/Word.h"

#include "KeyvaneCore/UnicodeText.h"

namespace keyvane {

Word::Word(std::string_view text) {
    text_.reserve(text.size());
    ends_.reserve(text.size());
    UnicodeText::eachGrapheme(text, [&](std::string_view character) {
        text_.append(character);
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));
    });
}

} // namespace keyvane
