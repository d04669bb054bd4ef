#pragma once

#include <optional>
#include <string>

// Where every file Keyvane reads or writes lives.
namespace keyvane::AppPaths {

// $HOME, or the password database's home directory when HOME is unset.
std::string homeDirectory();

// Inside a sandbox (a macOS-style container, Flatpak or Snap) the legacy directory is not used.
bool isSandboxed();

// ${XDG_DATA_HOME:-~/.local/share}/keyvane, created on use (a failure to create it is ignored:
// the later write of a file under it fails and says so).
std::string appSupportDir();
// "$XDG_RUNTIME_DIR/keyvane", the user's private place for the developer log and the instance
// socket; nothing when the session names no runtime directory.
std::optional<std::string> runtimeDir();
std::string manualOverridesPath();
std::string userPreferencesPath();
std::string crashLogPath();

// The rules file among the program's resources: <prefix>/share/keyvane beside the installed
// program, else the build tree's Resources. Nothing when neither exists.
std::optional<std::string> bundledEngineConfigPath();
// The working directory's Resources (development runs from a source checkout).
std::string repoEngineConfigPath();
// The full vocabulary of a language ("vocabulary_ru.marisa"): beside the installed program's rules
// file, else where the build tree wrote it, else in the working directory's Resources.
std::optional<std::string> vocabularyPath(const std::string& language);

// ~/.config/keyvane: read for migration only, never created.
std::string legacyConfigDir();
std::string legacyRulesPath();
std::string legacyUserPreferencesPath();

} // namespace keyvane::AppPaths
