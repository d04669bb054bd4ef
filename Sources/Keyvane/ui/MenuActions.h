// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/correction/AppState.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/MenuModel.h"
#include "KeyvanePlatform/KeyboardLayouts.h"

#include <optional>
#include <string>

// What the tray menu's items do, apart from any widget, and what the menu is built from.
namespace keyvane::MenuActions {

// The state the menu shows now: the coordinator's flags, the saved preferences, the hotkeys, the
// current layout and the recent applications.
MenuInputs gather(const AppState& appState, KeyboardLayouts& keyboard, const HotkeyManager& hotkeys,
                  const std::string& version, const std::optional<std::string>& availableUpdate);

// Enabled: when off, keys are no longer watched at all; when on again, they are.
void setEnabled(AppState& appState, bool enabled);
// Excludes the application when it is not excluded, includes it again when it is; saved in the
// preferences and applied by the engine at once. False when the preferences could not be saved
// (nothing changes then).
bool toggleExcludedApp(AppState& appState, const RecentApp& app);
// Saves the preference and adds or removes the autostart entry.
bool setLaunchAtLogin(bool launch);
// The developer log (developer mode only): switched now and remembered for the next start;
// `from` ends the log line that says so (" (from Settings)").
bool setDebugLog(bool on, const std::string& from = "");

} // namespace keyvane::MenuActions
