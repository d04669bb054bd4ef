// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/LaunchAtLoginManager.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UserDataFile.h"
#include "KeyvaneCore/UserPreferences.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace keyvane::LaunchAtLoginManager {

std::string autostartPath() {
    return AppPaths::configHome() + "/autostart/keyvane.desktop";
}

std::optional<std::string> autostartEntry(const std::string& program) {
    if (program.find_first_of("\n\r") != std::string::npos) {
        return std::nullopt;
    }
    // Exec quoting: inside double quotes a quote, backquote, dollar sign or backslash is escaped
    // with a backslash, every backslash is then doubled as in any string value of the entry, and
    // a percent sign is doubled so it is no field code.
    std::string exec = "\"";
    for (char c : program) {
        if (c == '"' || c == '`' || c == '$') {
            exec += "\\\\"; // the quoting backslash, doubled
            exec += c;
        } else if (c == '\\') {
            exec += "\\\\\\\\"; // escaped for the quotes, then both doubled
        } else if (c == '%') {
            exec += "%%";
        } else {
            exec += c;
        }
    }
    exec += "\"";
    return "[Desktop Entry]\nType=Application\nName=Keyvane\nComment=Fix words typed in the wrong keyboard "
           "layout\nExec=" +
           exec + "\nIcon=keyvane\nTerminal=false\nX-GNOME-Autostart-enabled=true\nNoDisplay=true\n";
}

void enable() {
    if (!AppPaths::installedDataDir()) {
        appLog("[Keyvane] Skipping launch-at-login registration: not an installed copy (a build tree)");
        return;
    }
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        appLog("[Keyvane] Launch at login register failed: cannot tell where the program is: " +
               ec.message());
        return;
    }
    registerProgram(exe.string());
}

bool registerProgram(const std::string& program) {
    const std::optional<std::string> entry = autostartEntry(program);
    if (!entry) {
        appLog("[Keyvane] Launch at login register failed: the program's path has a line break");
        return false;
    }
    if (AtomicFile::read(autostartPath()) == entry) {
        return true;
    }
    std::string error;
    if (AtomicFile::createDirectories(std::filesystem::path(autostartPath()).parent_path().string(),
                                      &error) &&
        AtomicFile::writeAtomically(autostartPath(), *entry, &error)) {
        appLog("[Keyvane] Launch at login registered");
        return true;
    }
    appLog("[Keyvane] Launch at login register failed: " + error);
    return false;
}

void disable() {
    if (std::remove(autostartPath().c_str()) == 0 || errno == ENOENT) {
        appLog("[Keyvane] Launch at login unregistered");
    } else {
        appLog(std::string("[Keyvane] Launch at login unregister failed: ") + std::strerror(errno));
    }
}

void followPreference(const std::string& preferencesPath) {
    const UserDataRead read = UserDataFile::read(preferencesPath);
    if (read.state == UserDataState::unreadable) {
        return;
    }
    const auto stored = read.document.find("launch_at_login");
    if (read.state == UserDataState::missing || (stored != read.document.end() && stored->is_boolean())) {
        UserPreferences::load(preferencesPath).launchAtLogin ? enable() : disable();
        return;
    }
    std::error_code ec;
    const bool registered = std::filesystem::exists(autostartPath(), ec);
    UserPreferences preferences = UserPreferences::load(preferencesPath);
    preferences.launchAtLogin = registered;
    appLog(
        std::string("[Keyvane] user_preferences.json does not say whether to launch at login; it is left ") +
        (registered ? "on" : "off") + ", as the autostart entry is");
    UserPreferences::save(preferences, preferencesPath);
}

} // namespace keyvane::LaunchAtLoginManager
