// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/CoreLog.h"

namespace keyvane {

// The application's entry point to the developer log; the same file and switch as the engine's.
// (Named appLog so that it never competes with the mathematical log.)
inline void appLog(std::string_view message) {
    coreLog(message);
}

} // namespace keyvane
