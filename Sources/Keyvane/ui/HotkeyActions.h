// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/shortcuts/HotkeyManager.h"

#include <map>
#include <optional>
#include <string>

// Saving the hotkeys chosen in the settings window: they are taken only when every one of them is
// free, so a shortcut the desktop or another program holds is refused and the ones in use stay.
namespace keyvane::HotkeyActions {

struct Choice {
    std::optional<Shortcut> undo;
    std::optional<Shortcut> convertSelection;
    std::map<std::string, Shortcut> convertTo; // by language; a language without one has none
};

// Why a choice cannot be taken, as the Hotkeys tab says it; nothing when it was taken and saved.
std::optional<std::string> save(HotkeyManager& hotkeys, const Choice& choice);

} // namespace keyvane::HotkeyActions
