// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>
#include <string>

// Tells, once, that the program crashed since it last started: the crash log grew. The size seen
// is kept with the program's settings, so each new record is told about at one start only.
namespace keyvane::CrashLogNotice {

// The records written since the last start (nothing when there are none, or the log is gone or
// was emptied); remembers the log's size either way.
std::optional<QString> takeNewRecords(const std::string& crashLogPath, const std::string& settingsPath);

} // namespace keyvane::CrashLogNotice
