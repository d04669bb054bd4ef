// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/SettingsActions.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/app/LaunchAtLoginManager.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "Keyvane/ui/MenuModel.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/RulesFile.h"
#include "KeyvanePlatform/DesktopEntries.h"

#include <algorithm>
#include <filesystem>

namespace keyvane::SettingsActions {

namespace {

UserPreferences loadPreferences() {
    return UserPreferences::load(UserPreferences::defaultPath());
}

bool savePreferences(const UserPreferences& preferences) {
    return UserPreferences::save(preferences, UserPreferences::defaultPath());
}

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

bool setInterfaceLanguage(const std::string& code) {
    UserPreferences preferences = loadPreferences();
    if (preferences.uiLanguage == code) {
        return false;
    }
    preferences.uiLanguage = code;
    if (!savePreferences(preferences)) {
        return false;
    }
    L10n::setLanguage(code);
    appLog("[Keyvane] ui_language set to " + code);
    return true;
}

bool setUpdateFrequency(UpdateCheckFrequency frequency) {
    UserPreferences preferences = loadPreferences();
    preferences.updateCheckFrequency = frequency;
    if (!savePreferences(preferences)) {
        return false;
    }
    appLog(std::string("[Keyvane] update_check_frequency set to ") + toString(frequency));
    return true;
}

std::optional<UpdateCheckFrequency> setAutomaticUpdates(bool on) {
    const UpdateCheckFrequency current = loadPreferences().updateCheckFrequency;
    const UpdateCheckFrequency wanted = !on                                      ? UpdateCheckFrequency::never
                                        : current == UpdateCheckFrequency::never ? UpdateCheckFrequency::daily
                                                                                 : current;
    if (!setUpdateFrequency(wanted)) {
        return std::nullopt;
    }
    return wanted;
}

std::vector<LanguageRow> languageRows(const UserPreferences& preferences) {
    std::vector<LanguageRow> rows{{"en", MenuModel::languageName("en") + " (en)", true, 1}};
    int priority = 1;
    for (const std::string& code : UserPreferences::normalize(preferences.activeLanguages)) {
        if (code != "en") {
            rows.push_back({code, MenuModel::languageName(code) + " (" + code + ")", true, ++priority});
        }
    }
    for (const char* code : {"uk", "ru"}) {
        if (std::none_of(rows.begin(), rows.end(),
                         [&](const LanguageRow& row) { return row.code == code; })) {
            rows.push_back({code, MenuModel::languageName(code) + " (" + code + ")", false, 0});
        }
    }
    return rows;
}

bool canMove(const std::vector<LanguageRow>& rows, std::size_t index, int delta) {
    if (index >= rows.size() || rows[index].code == "en" || !rows[index].active) {
        return false;
    }
    const long target = static_cast<long>(index) + delta;
    return target >= 1 && target < static_cast<long>(rows.size()) &&
           rows[static_cast<std::size_t>(target)].active;
}

bool moveLanguage(std::size_t index, int delta) {
    UserPreferences preferences = loadPreferences();
    std::vector<LanguageRow> rows = languageRows(preferences);
    if (!canMove(rows, index, delta)) {
        return false;
    }
    std::swap(rows[index], rows[static_cast<std::size_t>(static_cast<long>(index) + delta)]);
    preferences.activeLanguages.clear();
    std::string codes;
    for (const LanguageRow& row : rows) {
        if (row.active) {
            preferences.activeLanguages.push_back(row.code);
            codes += (codes.empty() ? "" : ", ") + row.code;
        }
    }
    if (!savePreferences(preferences)) {
        return false;
    }
    appLog("[Keyvane] user_preferences.json updated (active=[" + codes + "])");
    return true;
}

std::vector<ExcludedAppRow> excludedAppRows(const UserPreferences& preferences) {
    std::vector<ExcludedAppRow> rows;
    for (const auto& [id, exclusion] : preferences.excludedApps) {
        rows.push_back({id, exclusion.name.empty() ? id : exclusion.name, exclusion.disableManualSwitching});
    }
    std::stable_sort(rows.begin(), rows.end(), [](const ExcludedAppRow& a, const ExcludedAppRow& b) {
        return lowerAscii(a.name) < lowerAscii(b.name);
    });
    return rows;
}

std::optional<int> addExcludedApps(const std::vector<std::string>& desktopEntryPaths) {
    UserPreferences preferences = loadPreferences();
    int added = 0;
    for (const std::string& path : desktopEntryPaths) {
        const std::filesystem::path file(path);
        const std::map<std::string, std::string> fields = DesktopEntries::fields(path);
        if (file.extension() != ".desktop" || fields.empty()) {
            appLog("[Keyvane] Could not resolve the application of " + path);
            continue;
        }
        const std::string id = file.stem().string();
        if (preferences.excludedApps.count(id) != 0) {
            continue;
        }
        const auto name = fields.find("Name");
        preferences.excludedApps[id] = AppExclusionConfig{name != fields.end() ? name->second : id, false};
        ++added;
    }
    if (added > 0) {
        if (!savePreferences(preferences)) {
            return std::nullopt;
        }
        appLog("[Keyvane] user_preferences.json updated (" + std::to_string(preferences.excludedApps.size()) +
               " excluded apps)");
    }
    return added;
}

bool removeExcludedApp(const std::string& desktopEntryID) {
    UserPreferences preferences = loadPreferences();
    if (preferences.excludedApps.erase(desktopEntryID) == 0 || !savePreferences(preferences)) {
        return false;
    }
    appLog("[Keyvane] user_preferences.json updated (" + std::to_string(preferences.excludedApps.size()) +
           " excluded apps)");
    return true;
}

bool setPauseInGames(bool on) {
    UserPreferences preferences = loadPreferences();
    preferences.pauseInGames = on;
    if (!savePreferences(preferences)) {
        return false;
    }
    appLog(std::string("[Keyvane] pause_in_games set to ") + (on ? "true" : "false"));
    return true;
}

bool resetAll(KeyboardLayouts& keyboard) {
    const std::optional<nlohmann::json> rules = RulesFile::read();
    const nlohmann::json seed = rules ? RulesFile::seedOverrides(*rules) : nlohmann::json::object();
    if (!ManualOverridesFile::save(seed) || !savePreferences(UserPreferences::empty())) {
        return false;
    }
    InstalledLanguageDetector::reconcileAndPersist(keyboard);
    if (loadPreferences().launchAtLogin) {
        LaunchAtLoginManager::enable();
    } else {
        LaunchAtLoginManager::disable();
    }
    appLog("[Keyvane] All settings reset to their defaults");
    return true;
}

} // namespace keyvane::SettingsActions
