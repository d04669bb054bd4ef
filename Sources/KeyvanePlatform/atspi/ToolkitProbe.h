// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/atspi/AccessibleFocus.h"

#include <string>
#include <string_view>

namespace keyvane {

// Tells a program whose toolkit speaks to the accessibility bus from one that never does, by the
// libraries its process has loaded.
namespace ToolkitProbe {

// The kind of a process of this machine's, from /proc; silent when it cannot be read.
ProgramKind kindOf(long long pid, const std::string& procRoot = "/proc");
// The same from the text of a process's memory map (/proc/PID/maps).
ProgramKind kindOfMaps(std::string_view maps);

} // namespace ToolkitProbe
} // namespace keyvane
