// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

// Desktop entries (".desktop" files): how the desktop names an application, where its entry is and
// what it says of itself.
namespace keyvane::DesktopEntries {

// The "applications" directories, the user's own first, then the system's and Flatpak's exports.
std::vector<std::string> directories();

// The keys of an entry's main group ("[Desktop Entry]"): "Name", "Categories", …; empty when the
// file cannot be read.
std::map<std::string, std::string> fields(const std::string& path);

// The application a window belongs to, from what the window says of itself: its GTK application
// ID, WM_CLASS class and WM_CLASS instance. The first of them that names a desktop entry gives the
// ID, path and Name; with none, the ID is the class lower-cased and the name the class.
FrontmostApplication applicationFor(const std::string& gtkApplicationID, const std::string& wmClass,
                                    const std::string& wmInstance);

} // namespace keyvane::DesktopEntries
