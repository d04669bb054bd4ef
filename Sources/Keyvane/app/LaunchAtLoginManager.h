// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// Starting Keyvane at login through an XDG autostart entry.
namespace keyvane::LaunchAtLoginManager {

// ${XDG_CONFIG_HOME:-~/.config}/autostart/keyvane.desktop
std::string autostartPath();
// The autostart entry that starts `program` with the desktop session; nothing when the path
// cannot be written in an entry (a line break in it).
std::optional<std::string> autostartEntry(const std::string& program);
// Registers an installed copy (the running binary); a copy run from a build tree only logs that
// it skipped.
void enable();
// Writes the entry for `program` unless the same entry is already there: an entry left by a copy
// installed elsewhere, or by an older version, is replaced.
bool registerProgram(const std::string& program);
void disable();
// At every start the autostart entry follows the preference. A preferences file that does not say
// (written by hand, or salvaged without it) leaves the entry as it is, and the preference is
// written to match it, so the menu shows what will happen; a file that cannot be read changes
// nothing.
void followPreference(const std::string& preferencesPath);

} // namespace keyvane::LaunchAtLoginManager
