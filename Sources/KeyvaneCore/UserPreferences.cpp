// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/UserPreferences.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserDataFile.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace keyvane {
namespace {

using JsonValues::Json;

std::string joined(const std::vector<std::string>& items, const char* separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : separator) + items[i];
    }
    return out;
}

} // namespace

const char* toString(UpdateCheckFrequency frequency) {
    switch (frequency) {
    case UpdateCheckFrequency::hourly: return "1h";
    case UpdateCheckFrequency::daily: return "1d";
    case UpdateCheckFrequency::atStartup: return "startup";
    case UpdateCheckFrequency::never: return "never";
    }
    return "1h";
}

const char* displayName(UpdateCheckFrequency frequency) {
    switch (frequency) {
    case UpdateCheckFrequency::hourly: return "Every hour";
    case UpdateCheckFrequency::daily: return "Once a day";
    case UpdateCheckFrequency::atStartup: return "At startup only";
    case UpdateCheckFrequency::never: return "Never";
    }
    return "Every hour";
}

std::optional<UpdateCheckFrequency> updateCheckFrequencyFromString(const std::string& raw) {
    if (raw == "15m") {
        return UpdateCheckFrequency::hourly;
    }
    for (UpdateCheckFrequency f : allUpdateCheckFrequencies) {
        if (raw == toString(f)) {
            return f;
        }
    }
    return std::nullopt;
}

std::string UserPreferences::defaultPath() {
    return AppPaths::userPreferencesPath();
}

std::vector<std::string> UserPreferences::normalize(const std::vector<std::string>& languages) {
    std::vector<std::string> out{"en"};
    for (const std::string& entry : languages) {
        std::string code = UnicodeText::toLower(UnicodeText::trimWhitespace(entry));
        if (!code.empty() && std::find(out.begin(), out.end(), code) == out.end()) {
            out.push_back(std::move(code));
        }
    }
    return out;
}

UserPreferences UserPreferences::load(const std::string& path) {
    const UserDataRead read = UserDataFile::read(path);
    if (read.state == UserDataState::missing || read.state == UserDataState::unreadable) {
        return empty();
    }
    const Json& document = read.document;
    UserPreferences prefs;
    if (const Json* apps = JsonValues::objectMember(document, "excluded_apps")) {
        for (const auto& [desktopEntryID, entry] : apps->items()) {
            if (!entry.is_object()) {
                continue;
            }
            prefs.excludedApps[desktopEntryID] = {
                JsonValues::string(JsonValues::member(entry, "name")).value_or(desktopEntryID),
                JsonValues::boolean(JsonValues::member(entry, "disable_manual_switching")).value_or(false)};
        }
    }
    if (auto languages = JsonValues::stringList(JsonValues::member(document, "active_languages"))) {
        prefs.activeLanguages = normalize(*languages);
    }
    prefs.launchAtLogin = JsonValues::boolean(JsonValues::member(document, "launch_at_login")).value_or(true);
    std::optional<UpdateCheckFrequency> frequency;
    if (auto raw = JsonValues::string(JsonValues::member(document, "update_check_frequency"))) {
        frequency = updateCheckFrequencyFromString(*raw);
    }
    if (!frequency) {
        if (auto check = JsonValues::boolean(JsonValues::member(document, "check_for_updates"))) {
            frequency = *check ? UpdateCheckFrequency::hourly : UpdateCheckFrequency::never;
        }
    }
    prefs.updateCheckFrequency = frequency.value_or(UpdateCheckFrequency::hourly);
    prefs.skippedUpdateVersion = JsonValues::string(JsonValues::member(document, "skipped_update_version"));
    prefs.debugLog = JsonValues::boolean(JsonValues::member(document, "debug_log")).value_or(false);
    prefs.pauseInGames = JsonValues::boolean(JsonValues::member(document, "pause_in_games")).value_or(true);
    prefs.skipWhenFieldsUnknown =
        JsonValues::boolean(JsonValues::member(document, "skip_when_fields_unknown")).value_or(false);
    prefs.uiLanguage = JsonValues::string(JsonValues::member(document, "ui_language")).value_or("en");

    coreLog("[Keyvane] user_preferences.json loaded: " + std::to_string(prefs.excludedApps.size()) +
            " excluded app(s), active=[" + joined(prefs.activeLanguages, ", ") +
            "], launchAtLogin=" + (prefs.launchAtLogin ? "true" : "false") +
            ", updateCheckFrequency=" + toString(prefs.updateCheckFrequency));
    return prefs;
}

bool UserPreferences::save(const UserPreferences& preferences, const std::string& path) {
    if (!UserDataFile::mayReplace(path)) {
        coreLog("[Keyvane] user_preferences.json cannot be read, so it is not overwritten; the change is not "
                "saved");
        return false;
    }
    std::string error;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty() && !AtomicFile::createDirectories(parent.string(), &error)) {
        coreLog("[Keyvane] Failed to create user_preferences.json dir: " + error);
        return false;
    }
    Json document = Json::object();
    document["schema_version"] = "1.0";
    document["excluded_apps"] = Json::object();
    for (const auto& [desktopEntryID, exclusion] : preferences.excludedApps) {
        document["excluded_apps"][desktopEntryID] = {
            {"name", exclusion.name}, {"disable_manual_switching", exclusion.disableManualSwitching}};
    }
    document["active_languages"] = normalize(preferences.activeLanguages);
    document["launch_at_login"] = preferences.launchAtLogin;
    document["update_check_frequency"] = toString(preferences.updateCheckFrequency);
    document["check_for_updates"] = preferences.updateCheckFrequency != UpdateCheckFrequency::never;
    if (preferences.skippedUpdateVersion) {
        document["skipped_update_version"] = *preferences.skippedUpdateVersion;
    }
    document["debug_log"] = preferences.debugLog;
    document["pause_in_games"] = preferences.pauseInGames;
    document["skip_when_fields_unknown"] = preferences.skipWhenFieldsUnknown;
    document["ui_language"] = preferences.uiLanguage;

    // What the file holds that this record does not (a key of a later version or a typo, a value of
    // the wrong type) is not dropped unseen: the file is copied aside first, and the user told.
    const UserDataRead current = UserDataFile::read(path);
    if (current.state == UserDataState::loaded) {
        std::string dropped;
        for (const auto& [key, value] : current.document.items()) {
            const auto kept = document.find(key);
            if (kept == document.end() || kept->type() != value.type()) {
                dropped += (dropped.empty() ? "" : ", ") + key;
            }
        }
        if (!dropped.empty()) {
            if (const std::optional<std::string> copy = UserDataFile::keepCopy(path)) {
                userNotice("[Keyvane] " + path + " held what Keyvane does not use (" + dropped +
                           "); it is rewritten without it, and kept as it was in " + *copy);
            } else {
                coreLog("[Keyvane] user_preferences.json could not be copied aside; the change is not saved");
                return false;
            }
        }
    }
    std::string text;
    try {
        // Invalid UTF-8 in a name is replaced rather than failing the whole save.
        text = document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    } catch (const Json::exception& e) {
        coreLog(std::string("[Keyvane] Failed to write user_preferences.json: ") + e.what());
        return false;
    }
    if (!AtomicFile::writeAtomically(path, text, &error)) {
        coreLog("[Keyvane] Failed to write user_preferences.json: " + error);
        return false;
    }
    return true;
}

} // namespace keyvane
