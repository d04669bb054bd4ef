// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Starting Keyvane at login through an XDG autostart entry.
namespace keyvane::LaunchAtLoginManager {

// ${XDG_CONFIG_HOME:-~/.config}/autostart/keyvane.desktop
std::string autostartPath();
// Registers an installed copy; a copy run from a build tree only logs that it skipped.
void enable();
void disable();

} // namespace keyvane::LaunchAtLoginManager
