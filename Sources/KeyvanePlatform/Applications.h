// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/Registration.h"

#include <functional>
#include <optional>
#include <string>

namespace keyvane {

// The desktop's applications: the one in front, and the one that opens a link.
class Applications {
public:
    virtual ~Applications() = default;

    virtual std::optional<FrontmostApplication> frontmostApplication() = 0;
    // Called on every change of the frontmost application.
    virtual Registration onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) = 0;

    virtual void openURL(const std::string& url) = 0;
};

} // namespace keyvane
