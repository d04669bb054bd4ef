#include "AppPaths.h"

#include "AtomicFile.h"

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

bool isSandboxed() {
    std::error_code ec;
    return !environment("APP_SANDBOX_CONTAINER_ID").empty() ||
           homeDirectory().find("/Library/Containers/") != std::string::npos ||
           !environment("FLATPAK_ID").empty() || !environment("SNAP").empty() ||
           std::filesystem::exists("/.flatpak-info", ec);
}

std::string appSupportDir() {
    std::string dataHome = environment("XDG_DATA_HOME");
    std::string dir = (dataHome.empty() ? homeDirectory() + "/.local/share" : dataHome) + "/keyvane";
    AtomicFile::createDirectories(dir);
    return dir;
}

std::optional<std::string> runtimeDir() {
    const std::string runtime = environment("XDG_RUNTIME_DIR");
    if (runtime.empty() || runtime.front() != '/') {
        return std::nullopt;
    }
    return runtime + "/keyvane";
}

std::string manualOverridesPath() {
    return appSupportDir() + "/manual_overrides.json";
}
std::string userPreferencesPath() {
    return appSupportDir() + "/user_preferences.json";
}
std::string crashLogPath() {
    return appSupportDir() + "/crash.log";
}

std::optional<std::string> bundledEngineConfigPath() {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        std::filesystem::path installed =
            exe.parent_path().parent_path() / "share" / "keyvane" / "keyvane_rules.json";
        if (isFile(installed)) {
            return installed.string();
        }
    }
#ifdef KEYVANE_BUILD_RESOURCES
    std::filesystem::path built = std::filesystem::path(KEYVANE_BUILD_RESOURCES) / "keyvane_rules.json";
    if (isFile(built)) {
        return built.string();
    }
#endif
    return std::nullopt;
}

std::optional<std::string> vocabularyPath(const std::string& language) {
    const std::string name = "vocabulary_" + language + ".marisa";
    std::vector<std::filesystem::path> candidates;
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        candidates.push_back(exe.parent_path().parent_path() / "share" / "keyvane" / name);
    }
#ifdef KEYVANE_BUILD_VOCABULARY
    candidates.push_back(std::filesystem::path(KEYVANE_BUILD_VOCABULARY) / name);
#endif
    candidates.push_back(std::filesystem::current_path(ec) / "Resources" / name);
    for (const std::filesystem::path& candidate : candidates) {
        if (isFile(candidate)) {
            return candidate.string();
        }
    }
    return std::nullopt;
}

std::string repoEngineConfigPath() {
    std::error_code ec;
    return (std::filesystem::current_path(ec) / "Resources" / "keyvane_rules.json").string();
}

std::string legacyConfigDir() {
    return homeDirectory() + "/.config/keyvane";
}
std::string legacyRulesPath() {
    return legacyConfigDir() + "/keyvane_rules.json";
}
std::string legacyUserPreferencesPath() {
    return legacyConfigDir() + "/user_preferences.json";
}

} // namespace keyvane::AppPaths
