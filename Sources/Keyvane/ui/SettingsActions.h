// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/KeyboardLayouts.h"

#include <optional>
#include <string>
#include <vector>

// What the settings window's controls do, apart from the widgets: each writes the file that owns
// the setting at once (and logs it); the caller then has the running program take it up.
namespace keyvane::SettingsActions {

// The interface language; false, and nothing written, when it is the one in use (or the
// preferences cannot be saved).
bool setInterfaceLanguage(const std::string& code);

// Automatic update checks: off writes "never"; on writes the frequency in use, or daily when it
// was "never". Gives the frequency saved.
std::optional<UpdateCheckFrequency> setAutomaticUpdates(bool on);
bool setUpdateFrequency(UpdateCheckFrequency frequency);

// The languages as the Languages tab lists them: English first, then the active languages in the
// user's order, then the inactive ones.
struct LanguageRow {
    std::string code;
    std::string displayName; // "Українська (uk)"
    bool active = false;
    int priority = 0; // among the active ones, from 1; 0 when inactive
};
std::vector<LanguageRow> languageRows(const UserPreferences& preferences);
// Whether the row at `index` can move by `delta` (-1 up, +1 down): English never moves, nothing
// goes above it, and only active languages change places.
bool canMove(const std::vector<LanguageRow>& rows, std::size_t index, int delta);
// Moves it and saves the new order; false when it cannot move or was not saved.
bool moveLanguage(std::size_t index, int delta);

// The excluded applications, by name (ignoring case).
struct ExcludedAppRow {
    std::string desktopEntryID;
    std::string name;
    bool disableManualSwitching = false;
};
std::vector<ExcludedAppRow> excludedAppRows(const UserPreferences& preferences);
// Adds the applications of these desktop entries (the ID is the file name without ".desktop", the
// name its "Name"); an entry already listed, or a file that is no desktop entry, is passed over.
// Gives how many were added; nothing when the preferences could not be saved.
std::optional<int> addExcludedApps(const std::vector<std::string>& desktopEntryPaths);
bool removeExcludedApp(const std::string& desktopEntryID);
bool setPauseInGames(bool on);

// Every setting back to its default: the manual overrides to the shipped seed, the preferences
// emptied, the active languages taken again from the installed layouts, launch at login as the
// defaults say.
bool resetAll(KeyboardLayouts& keyboard);

} // namespace keyvane::SettingsActions
