// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Learning mode is on at every start, so an undo makes the word one that is never corrected again.
// The first time that happens the tray says so (and where to take it back); that it was said is
// kept with the program's settings.
namespace keyvane::LearningNotice {

// Whether the notice is yet to be given; remembers that it now is. False when the settings file
// cannot be kept (it would be said at every undo otherwise).
bool takeFirst(const std::string& settingsPath);

} // namespace keyvane::LearningNotice
