// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/AppExclusionConfig.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

enum class UpdateCheckFrequency { hourly, daily, atStartup, never };

// "1h", "1d", "startup", "never".
const char* toString(UpdateCheckFrequency frequency);
// "Every hour", "Once a day", "At startup only", "Never".
const char* displayName(UpdateCheckFrequency frequency);
inline constexpr std::array<UpdateCheckFrequency, 4> allUpdateCheckFrequencies = {
    UpdateCheckFrequency::hourly, UpdateCheckFrequency::daily, UpdateCheckFrequency::atStartup,
    UpdateCheckFrequency::never};
// A persisted raw value; the old "15m" reads as hourly. Nothing for any other string.
std::optional<UpdateCheckFrequency> updateCheckFrequencyFromString(const std::string& raw);

// Every setting the user changes, stored in "user_preferences.json".
struct UserPreferences {
    std::map<std::string, AppExclusionConfig> excludedApps;
    std::vector<std::string> activeLanguages{"en"};
    bool launchAtLogin = true;
    UpdateCheckFrequency updateCheckFrequency = UpdateCheckFrequency::hourly;
    std::optional<std::string> skippedUpdateVersion;
    bool debugLog = false;
    bool pauseInGames = true;
    // Where password fields cannot be told (no accessibility bus), correct nothing.
    bool skipWhenFieldsUnknown = false;
    std::string uiLanguage = "en";

    bool operator==(const UserPreferences&) const = default;

    static UserPreferences empty() { return {}; }
    static std::string defaultPath();

    // Never fails: a missing or unreadable file gives the defaults, a damaged one is kept aside
    // (UserDataFile) and what could be read of it is used, and each field of the wrong type takes
    // its own default.
    static UserPreferences load(const std::string& path);
    // Writes the whole record atomically; false (and one log line) on failure, and when a file is
    // there that could not be read (it is never overwritten).
    static bool save(const UserPreferences& preferences, const std::string& path);
    // English first, then the other codes trimmed, lower-cased and without repeats, in order.
    static std::vector<std::string> normalize(const std::vector<std::string>& languages);
};

} // namespace keyvane
