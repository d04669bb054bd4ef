// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace keyvane {

// The developer log switch, shared by the engine and the application. Off by default.
namespace DebugLog {
bool isEnabled();
void setEnabled(bool enabled);
// At start-up: on only when the developer marker exists and the user's preference asks for it;
// when switched on the previous log at logPath is emptied first.
void switchAtStartup(bool debugLogPreference, const std::string& logPath);
} // namespace DebugLog

// The developer marker: the file ".keyvane_dev" in the home directory.
namespace DevTools {
bool isEnabled();
} // namespace DevTools

namespace CoreLog {

// The developer log file, private to the user: "$XDG_RUNTIME_DIR/keyvane/keyvane.log", else
// "${XDG_STATE_HOME:-~/.local/state}/keyvane/keyvane.log" (never a file in the shared /tmp).
std::string logPath();

// Appends "[<UTC time>] <message>\n" to the file at path (its directory made, owner-only). The log can hold
// typed text, so the file is created readable by its owner only, and a path that is a symbolic link, not a
// regular file, or owned by another user is refused: the line is dropped. False when nothing was written.
bool appendLine(const std::string& path, std::string_view message);

// Empties the log by putting an empty private file in its place (never writing through a link).
bool truncate(const std::string& path = logPath());

// "2024-03-01T12:34:56Z" for now.
std::string timestamp();

} // namespace CoreLog

// One line in the developer log, written only while DebugLog is enabled.
void coreLog(std::string_view message);

// Something the user must hear about even without the developer log (their data was damaged and
// kept aside, a file of theirs cannot be read): one line on standard error, and in the developer
// log while it is on.
void userNotice(std::string_view message);

} // namespace keyvane
