// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace keyvane {

// An application in which automatic correction is off.
struct AppExclusionConfig {
    std::string name;                    // the application's display name
    bool disableManualSwitching = false; // also refuse manual conversion there

    bool operator==(const AppExclusionConfig&) const = default;
};

} // namespace keyvane
