// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace keyvane {

// A pair of keyboard layouts named by language code ("en", "ru", "uk"): the layout a word was
// typed in and the layout it is rendered into.
struct LayoutDirection {
    std::string from;
    std::string to;

    static const LayoutDirection enToRu;
    static const LayoutDirection ruToEn;

    bool operator==(const LayoutDirection&) const = default;

    // "en_to_ru", the form used in the rules file and in reports.
    std::string name() const { return from + "_to_" + to; }
};

struct LayoutDirectionHash {
    std::size_t operator()(const LayoutDirection& d) const noexcept {
        std::size_t h = std::hash<std::string>{}(d.from);
        return h ^ (std::hash<std::string>{}(d.to) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};

} // namespace keyvane
