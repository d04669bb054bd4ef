// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/correction/AppState.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// What the tray icon and its menu show in one state of the program, worked out apart from any
// widget: the status line, what is checked, shown and enabled, the shortcuts beside the items,
// the languages to convert to and the recent applications to exclude.
namespace keyvane {

struct MenuInputs {
    bool observing = true; // keys can be watched (an X display with what the program needs)
    bool enabled = true;
    bool paused = false;
    bool pauseInGames = false;
    bool frontmostGame = false;
    bool learningMode = false;
    bool launchAtLogin = false;
    bool developerMode = false;
    bool debugLog = false;
    std::string version;
    std::optional<Language> layoutLanguage; // of the current layout
    std::vector<Language> activeLanguages;
    std::optional<std::string> undoShortcut; // as stored: "Control+F11"
    std::optional<std::string> convertShortcut;
    std::map<std::string, std::string> convertToShortcuts; // by language
    std::vector<RecentApp> recentApps;                     // newest first
    std::set<std::string> excludedApps;                    // desktop-entry IDs
    std::optional<std::string> availableUpdate;            // the newer version's display version
};

struct MenuItemState {
    std::string title;
    bool visible = true;
    bool enabled = true;
    bool checked = false;
    std::string shortcut; // shown beside the title
    std::string data;     // the language or desktop-entry ID the item acts on
};

struct MenuState {
    std::string badge;   // "EN", "RU", "UA" or "—"
    bool dimmed = false; // not correcting now, or a layout it cannot correct
    std::string statusTitle;
    std::string tooltip;
    MenuItemState warning; // shown only while keys cannot be watched
    MenuItemState update;  // shown only while a newer version is known
    MenuItemState launchAtLogin, enabled, learning, debug;
    MenuItemState pause15, pauseUntilRestart, resume;
    MenuItemState undo, convertSelected, convertTo;
    std::vector<MenuItemState> convertToLanguages;
    std::vector<MenuItemState> excludeApps;
    MenuItemState settings, quit;
};

namespace MenuModel {

constexpr std::size_t maxExcludeItems = 4;

// "EN" for English, "RU" for Russian, "UA" for Ukrainian; "—" for any other layout.
std::string badge(std::optional<Language> language);
// "English", "Українська", "Русский"; any other key as it is.
std::string languageName(const std::string& language);

MenuState build(const MenuInputs& inputs);

} // namespace MenuModel
} // namespace keyvane
