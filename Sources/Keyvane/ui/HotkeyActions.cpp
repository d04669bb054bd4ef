// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/HotkeyActions.h"

#include "Keyvane/app/L10n.h"

#include <vector>

namespace keyvane::HotkeyActions {

std::optional<std::string> save(HotkeyManager& hotkeys, const Choice& choice) {
    if (!choice.undo || !choice.convertSelection) {
        return L10n::t("hotkeys.error.missing");
    }
    std::vector<Shortcut> all{*choice.undo, *choice.convertSelection};
    for (const auto& [language, shortcut] : choice.convertTo) {
        all.push_back(shortcut);
    }
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!all[i].leavesTypingAlone()) {
            return L10n::format("hotkeys.error.needs_modifier", all[i].toString());
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (all[i] == all[j]) {
                return L10n::format("hotkeys.error.duplicate", all[i].toString());
            }
        }
    }

    const Shortcut previousUndo = hotkeys.undoShortcut;
    const Shortcut previousSwitch = hotkeys.switchShortcut;
    const std::map<std::string, Shortcut> previousConvertTo = hotkeys.convertToBindings;
    hotkeys.unregisterAll();
    hotkeys.undoShortcut = *choice.undo;
    hotkeys.switchShortcut = *choice.convertSelection;
    hotkeys.convertToBindings = choice.convertTo;
    const std::vector<Shortcut> refused = hotkeys.registerHotkeys();
    if (!refused.empty()) {
        // The ones in use stay in use.
        hotkeys.unregisterAll();
        hotkeys.undoShortcut = previousUndo;
        hotkeys.switchShortcut = previousSwitch;
        hotkeys.convertToBindings = previousConvertTo;
        hotkeys.registerHotkeys();
        return L10n::format("hotkeys.error.taken", refused.front().toString());
    }
    hotkeys.saveSettings();
    if (hotkeys.onHotkeysChanged) {
        hotkeys.onHotkeysChanged();
    }
    return std::nullopt;
}

} // namespace keyvane::HotkeyActions
