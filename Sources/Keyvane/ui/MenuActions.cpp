// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/MenuActions.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/LaunchAtLoginManager.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/UserPreferences.h"

namespace keyvane::MenuActions {

MenuInputs gather(const AppState& appState, KeyboardLayouts& keyboard, const HotkeyManager& hotkeys,
                  const std::string& version, const std::optional<std::string>& availableUpdate) {
    const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    MenuInputs in;
    in.observing = !appState.keysCannotBeWatched();
    in.enabled = appState.isEnabled();
    in.paused = appState.isPaused();
    in.pauseInGames = appState.pauseInGames();
    in.frontmostGame = appState.isFrontmostGame();
    in.learningMode = appState.learningMode();
    in.launchAtLogin = preferences.launchAtLogin;
    in.developerMode = DevTools::isEnabled();
    in.debugLog = DebugLog::isEnabled();
    in.version = version;
    if (std::optional<KeyboardLayout> layout = keyboard.currentLayout()) {
        in.layoutLanguage = layout->language;
    }
    in.activeLanguages = appState.rulesEngine().config().activeLanguages;
    in.undoShortcut = hotkeys.undoShortcut.toString();
    in.convertShortcut = hotkeys.switchShortcut.toString();
    for (const auto& [language, shortcut] : hotkeys.convertToBindings) {
        in.convertToShortcuts[language] = shortcut.toString();
    }
    in.recentApps = appState.recentApps();
    for (const auto& [id, exclusion] : preferences.excludedApps) {
        in.excludedApps.insert(id);
    }
    in.availableUpdate = availableUpdate;
    return in;
}

void setEnabled(AppState& appState, bool enabled) {
    appState.setEnabled(enabled);
    if (enabled) {
        appState.startObserving();
    } else {
        appState.stopObserving();
    }
}

bool toggleExcludedApp(AppState& appState, const RecentApp& app) {
    if (app.desktopEntryID.empty()) {
        return false;
    }
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    const bool wasExcluded = preferences.excludedApps.erase(app.desktopEntryID) != 0;
    if (!wasExcluded) {
        preferences.excludedApps[app.desktopEntryID] = AppExclusionConfig{app.name, false};
    }
    if (!UserPreferences::save(preferences, UserPreferences::defaultPath())) {
        appLog("[Keyvane] Could not save the preferences; " + app.name + " stays " +
               (wasExcluded ? "excluded" : "included"));
        return false;
    }
    appLog(std::string(wasExcluded ? "[Keyvane] App un-excluded via menu: "
                                   : "[Keyvane] App excluded via menu: ") +
           app.name + " (" + app.desktopEntryID + ")");
    appState.reloadConfig();
    return true;
}

bool setLaunchAtLogin(bool launch) {
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    preferences.launchAtLogin = launch;
    if (!UserPreferences::save(preferences, UserPreferences::defaultPath())) {
        return false;
    }
    if (launch) {
        LaunchAtLoginManager::enable();
    } else {
        LaunchAtLoginManager::disable();
    }
    return true;
}

bool setDebugLog(bool on, const std::string& from) {
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    preferences.debugLog = on;
    const bool saved = UserPreferences::save(preferences, UserPreferences::defaultPath());
    DebugLog::setEnabled(on);
    if (on) {
        CoreLog::truncate();
        appLog("[Keyvane] Debug logging enabled" + from);
    }
    return saved;
}

} // namespace keyvane::MenuActions
