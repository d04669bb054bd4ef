// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/X11Platform.h"

#include "KeyvanePlatform/x11/X11Session.h"

namespace keyvane::X11Platform {

bool displayAvailable() {
    return X11Session::displayAvailable();
}

std::unique_ptr<PlatformServices> connect() {
    return X11Session::connect();
}

} // namespace keyvane::X11Platform
