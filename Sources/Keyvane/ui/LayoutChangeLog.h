// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <optional>
#include <string>

namespace keyvane {

// Writes one log line per change of the desktop's layout, saying whether Keyvane made it (a
// switch after a correction, within 2.5 seconds) or the user did:
//   [Keyvane] system layout changed → ru (ru) origin=app
class LayoutChangeLog {
public:
    // Looks at the current layout; logs it when it differs from the last one logged. Returns the
    // line written, if any.
    std::optional<std::string> changed(PlatformServices& platform);

private:
    bool logged_ = false;
    std::optional<std::string> lastID_;
};

} // namespace keyvane
