// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// Where every file Keyvane reads or writes lives: the one place that reads the XDG base-directory
// variables and knows the installed and the build-tree locations of the program's data.
namespace keyvane::AppPaths {

// $HOME, or the password database's home directory when HOME is unset.
std::string homeDirectory();

// ${XDG_DATA_HOME:-~/.local/share}/keyvane, created on use (a failure to create it is ignored:
// the later write of a file under it fails and says so).
std::string appSupportDir();
// ${XDG_DATA_HOME:-~/.local/share}, then ${XDG_DATA_DIRS:-/usr/local/share:/usr/share}: where
// desktop entries are looked for (under "applications").
std::vector<std::string> dataDirectories();
// ${XDG_CONFIG_HOME:-~/.config}: the shortcuts' settings and the autostart entry live under it.
std::string configHome();
// ${XDG_STATE_HOME:-~/.local/state}/keyvane: the developer log when the session has no runtime
// directory.
std::string stateDir();
// "$XDG_RUNTIME_DIR/keyvane", the user's private place for the developer log and the instance
// socket; nothing when the session names no runtime directory.
std::optional<std::string> runtimeDir();
// Where an input-method host that corrects the keys (the fcitx5 addon) says so, by its process
// number: in the runtime directory, else the state directory.
std::string inputMethodHostMarkerPath();
std::string manualOverridesPath();
std::string userPreferencesPath();
std::string crashLogPath();
// The program's own settings that are no user data (hotkeys, update checks), in Qt's INI format:
// ${XDG_CONFIG_HOME:-~/.config}/Keyvane/Keyvane.conf
std::string userDefaultsPath();

// The prefix the running program sits under: the directory above the executable's own.
std::optional<std::string> programPrefix();
// <prefix>/share/keyvane when this program is an installed one (its rules file is there).
std::optional<std::string> installedDataDir();
// A file shipped with the program, in the places to try in this order: the installed program's
// data directory, the working directory's Resources (a source checkout), then the build tree's.
std::vector<std::string> shippedFileCandidates(const std::string& name);
// The rules files to try, in the order above. The live program, the self-test and the developer
// command line all look here.
std::vector<std::string> rulesFileCandidates();
// The user's own list of password prompts, replacing the shipped one when it exists.
std::string securePromptsPath();
// The full vocabulary of a language ("vocabulary_ru.marisa"): beside the installed program's rules
// file, else where the build tree wrote it, else in the working directory's Resources.
std::optional<std::string> vocabularyPath(const std::string& language);

} // namespace keyvane::AppPaths
