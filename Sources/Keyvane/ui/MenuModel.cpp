// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/MenuModel.h"

#include "Keyvane/app/L10n.h"

namespace keyvane::MenuModel {

namespace {

MenuItemState item(const std::string& key) {
    MenuItemState state;
    state.title = L10n::t(key);
    return state;
}

} // namespace

std::string badge(std::optional<Language> language) {
    if (!language) {
        return "—";
    }
    switch (*language) {
    case Language::en: return "EN";
    case Language::ru: return "RU";
    case Language::uk: return "UA";
    }
    return "—";
}

std::string languageName(const std::string& code) {
    const std::optional<Language> language = languageFromString(code);
    if (!language) {
        return code;
    }
    switch (*language) {
    case Language::en: return "English";
    case Language::uk: return "Українська";
    case Language::ru: return "Русский";
    }
    return code;
}

MenuState build(const MenuInputs& in) {
    MenuState menu;
    menu.badge = badge(in.layoutLanguage);
    const bool gamePause = !in.paused && in.pauseInGames && in.frontmostGame;
    const char* stateKey = !in.observing || !in.enabled ? "menu.state.disabled"
                           : gamePause                  ? "menu.state.game"
                           : in.paused                  ? "menu.state.paused"
                                                        : "menu.state.active";
    menu.statusTitle =
        "Keyvane " + (in.version.empty() ? std::string("dev") : in.version) + " - " + L10n::t(stateKey);
    menu.dimmed = !in.observing || !in.enabled || in.paused || gamePause || menu.badge == "—";
    menu.tooltip = menu.statusTitle;

    menu.warning = item("menu.warn.accessibility");
    menu.warning.visible = !in.observing;
    menu.update.visible = in.availableUpdate.has_value();
    if (in.availableUpdate) {
        menu.update.title = L10n::format("menu.update_available", *in.availableUpdate);
    }

    menu.launchAtLogin = item("menu.launch_at_login");
    menu.launchAtLogin.checked = in.launchAtLogin;
    menu.enabled = item("menu.enabled");
    menu.enabled.checked = in.observing && in.enabled;
    menu.learning = item("menu.learning_mode");
    menu.learning.checked = in.learningMode;
    menu.debug.title = "Debug";
    menu.debug.visible = in.developerMode;
    menu.debug.checked = in.debugLog;

    menu.pause15 = item("menu.pause_15");
    menu.pauseUntilRestart = item("menu.pause_restart");
    menu.resume = item("menu.resume");
    menu.resume.visible = in.paused;

    menu.undo = item("menu.undo");
    menu.undo.shortcut = in.undoShortcut.value_or("");
    menu.convertSelected = item("menu.convert_selected");
    menu.convertSelected.shortcut = in.convertShortcut.value_or("");
    menu.convertTo = item("menu.convert_to");
    std::vector<Language> languages{Language::en};
    for (Language language : in.activeLanguages) {
        if (language != Language::en) {
            languages.push_back(language);
        }
    }
    for (Language language : languages) {
        MenuItemState entry;
        entry.data = toString(language);
        entry.title = languageName(entry.data);
        if (auto binding = in.convertToShortcuts.find(entry.data); binding != in.convertToShortcuts.end()) {
            entry.shortcut = binding->second;
        }
        menu.convertToLanguages.push_back(entry);
    }

    if (in.recentApps.empty()) {
        MenuItemState none = item("menu.disable_current_app");
        none.enabled = false;
        menu.excludeApps.push_back(none);
    }
    for (std::size_t i = 0; i < in.recentApps.size() && i < maxExcludeItems; ++i) {
        const RecentApp& app = in.recentApps[i];
        MenuItemState entry;
        entry.title = L10n::format(in.excludedApps.count(app.desktopEntryID) != 0 ? "menu.enable_app"
                                                                                  : "menu.disable_app",
                                   app.name);
        entry.data = app.desktopEntryID;
        menu.excludeApps.push_back(entry);
    }

    menu.settings = item("menu.settings");
    menu.quit = item("menu.quit");
    return menu;
}

} // namespace keyvane::MenuModel
