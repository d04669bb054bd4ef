// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/TokenEvent.h"

namespace keyvane {

std::string BoundaryType::text() const {
    switch (kind) {
    case Kind::punctuation: return punctuation;
    case Kind::space: return " ";
    case Kind::enter: return "\n";
    case Kind::tab: return "\t";
    }
    return {};
}

const char* toString(BoundaryType::Kind kind) {
    switch (kind) {
    case BoundaryType::Kind::punctuation: return "punctuation";
    case BoundaryType::Kind::space: return "space";
    case BoundaryType::Kind::enter: return "enter";
    case BoundaryType::Kind::tab: return "tab";
    }
    return "space";
}

} // namespace keyvane
