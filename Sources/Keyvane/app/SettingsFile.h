// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// The settings window's INI file (Keyvane.conf), which several parts of the program read and write
// through QSettings. QSettings would wait for ever on a FIFO put at the path, and cannot write a
// directory: anything but a regular file (or no file) is left alone, and the defaults apply. A file
// QSettings could read only in part (bytes that are no text, lines that are no setting) would be
// written back with that part alone: it is copied aside first, once per process.
namespace keyvane::SettingsFile {

// Whether the file may be read and written: there is none yet, or it is a regular file, kept aside
// first when it cannot be read whole. Says once per process why not, or where the copy is.
bool usable(const std::string& path);

} // namespace keyvane::SettingsFile
