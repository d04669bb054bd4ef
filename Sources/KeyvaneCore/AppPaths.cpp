// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/AppPaths.h"

#include "KeyvaneCore/AtomicFile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace keyvane::AppPaths {
namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool isFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

std::string homeDirectory() {
    std::string home = environment("HOME");
    if (!home.empty()) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

// An XDG base directory: the variable when it holds an absolute path, else the fallback under
// the home directory.
std::string xdgDirectory(const char* variable, const char* fallbackUnderHome) {
    const std::string value = environment(variable);
    return !value.empty() && value.front() == '/' ? value : homeDirectory() + fallbackUnderHome;
}

std::string appSupportDir() {
    std::string dir = xdgDirectory("XDG_DATA_HOME", "/.local/share") + "/keyvane";
    AtomicFile::createDirectories(dir);
    return dir;
}

std::vector<std::string> dataDirectories() {
    std::vector<std::string> dirs{xdgDirectory("XDG_DATA_HOME", "/.local/share")};
    std::string list = environment("XDG_DATA_DIRS");
    if (list.empty()) {
        list = "/usr/local/share:/usr/share";
    }
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/' && std::find(dirs.begin(), dirs.end(), dir) == dirs.end()) {
            dirs.push_back(dir);
        }
        start = end + 1;
    }
    return dirs;
}

std::string configHome() {
    return xdgDirectory("XDG_CONFIG_HOME", "/.config");
}

std::string stateDir() {
    return xdgDirectory("XDG_STATE_HOME", "/.local/state") + "/keyvane";
}

std::optional<std::string> runtimeDir() {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (runtime.empty() || runtime.front() != '/') {
        return std::nullopt;
    }
    return runtime + "/keyvane";
}

std::string inputMethodHostMarkerPath() {
    return runtimeDir().value_or(stateDir()) + "/input-method-host";
}

std::string manualOverridesPath() {
    return appSupportDir() + "/manual_overrides.json";
}
std::string securePromptsPath() {
    return appSupportDir() + "/secure_prompts.json";
}
std::string userPreferencesPath() {
    return appSupportDir() + "/user_preferences.json";
}
std::string crashLogPath() {
    return appSupportDir() + "/crash.log";
}

std::string userDefaultsPath() {
    return configHome() + "/Keyvane/Keyvane.conf";
}

std::optional<std::string> programPrefix() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return std::nullopt;
    }
    return exe.parent_path().parent_path().string();
}

std::optional<std::string> installedDataDir() {
    const std::optional<std::string> prefix = programPrefix();
    if (!prefix) {
        return std::nullopt;
    }
    const std::filesystem::path data = std::filesystem::path(*prefix) / "share" / "keyvane";
    if (!isFile(data / "keyvane_rules.json")) {
        return std::nullopt;
    }
    return data.string();
}

std::vector<std::string> shippedFileCandidates(const std::string& name) {
    std::vector<std::string> candidates;
    if (auto installed = installedDataDir()) {
        candidates.push_back(*installed + "/" + name);
    }
    // Never the directory the program was started in: anyone who can write there would choose the
    // program's rules and password prompts.
#ifdef KEYVANE_BUILD_RESOURCES
    const std::string built = KEYVANE_BUILD_RESOURCES "/" + name;
    if (std::find(candidates.begin(), candidates.end(), built) == candidates.end()) {
        candidates.push_back(built);
    }
#endif
    return candidates;
}

std::vector<std::string> rulesFileCandidates() {
    return shippedFileCandidates("keyvane_rules.json");
}

std::optional<std::string> vocabularyPath(const std::string& language) {
    const std::string name = "vocabulary_" + language + ".marisa";
    std::vector<std::filesystem::path> candidates;
    if (auto installed = installedDataDir()) {
        candidates.push_back(std::filesystem::path(*installed) / name);
    }
#ifdef KEYVANE_BUILD_VOCABULARY
    candidates.push_back(std::filesystem::path(KEYVANE_BUILD_VOCABULARY) / name);
#endif
    for (const std::filesystem::path& candidate : candidates) {
        if (isFile(candidate)) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

} // namespace keyvane::AppPaths
