// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Whether an input-method host (the fcitx5 addon) corrects the user's keys. It sees them before
// any application and replaces a word before its ending key goes on; the X11 host, which sees the
// same keys, then leaves them to it, so that no word is corrected twice.
namespace keyvane::InputMethodPresence {

// Said by the host as it starts, by its process number; taken back as it stops.
void announce(const std::string& markerPath);
void withdraw(const std::string& markerPath);
// Whether a running process has said so.
bool active(const std::string& markerPath);

} // namespace keyvane::InputMethodPresence
