// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/Language.h"

#include <cstddef>
#include <string>

namespace keyvane {

// A pair of keyboard layouts named by their languages: the layout a word was typed in and the
// layout it is rendered into.
struct LayoutDirection {
    Language from = Language::en;
    Language to = Language::ru;

    static const LayoutDirection enToRu;
    static const LayoutDirection ruToEn;

    bool operator==(const LayoutDirection&) const = default;

    // "en_to_ru", the form used in the rules file and in reports.
    std::string name() const { return std::string(toString(from)) + "_to_" + toString(to); }
};

struct LayoutDirectionHash {
    std::size_t operator()(const LayoutDirection& d) const noexcept {
        return static_cast<std::size_t>(d.from) * allLanguages.size() + static_cast<std::size_t>(d.to);
    }
};

} // namespace keyvane
