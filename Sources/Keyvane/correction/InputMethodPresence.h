// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// Whether an input-method host (the fcitx5 addon) corrects the user's keys. It sees them before
// any application and replaces a word before its ending key goes on; the X11 host, which sees the
// same keys, then leaves them to it, so that no word is corrected twice. The host also says what
// the tray shows for it: the language of the layout it types with and whether it is paused.
namespace keyvane {

struct InputMethodHostStatus {
    std::string layoutLanguage; // "en", "ru", "uk"; empty for a layout it does not correct
    bool paused = false;
};

namespace InputMethodPresence {

// Said by the host as it starts, by its process number, and again whenever its status changes;
// taken back as it stops.
void announce(const std::string& markerPath, const InputMethodHostStatus& status = {});
void withdraw(const std::string& markerPath);
// Whether a running process has said so.
bool active(const std::string& markerPath);
// The running host's last status; nothing when no host runs.
std::optional<InputMethodHostStatus> status(const std::string& markerPath);

} // namespace InputMethodPresence
} // namespace keyvane
