// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/shortcuts/Shortcut.h"

#include <string>

// The shortcuts the user chose in the settings window, read by a host that runs without Qt inside
// an input-method framework.
namespace keyvane::SavedShortcut {

// The shortcut stored under the key of Keyvane.conf ("undoShortcut", "switchShortcut"), or the
// fallback: when there is none, when it is no shortcut, when it would take a key the user types
// with (the log says so), or when the file is no regular file (a FIFO would stop the framework
// itself at the read).
Shortcut read(const std::string& key, Shortcut fallback);

} // namespace keyvane::SavedShortcut
