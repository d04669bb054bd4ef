// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <memory>

// The desktop of an X11 session: XInput 2 raw key presses on the root window as the global key
// monitor, XKB groups as layouts, xkbcommon for key translation, XTest for synthetic key events,
// _NET_ACTIVE_WINDOW and desktop entries for the application in front, the Qt clipboard. Runs in
// the Qt event loop of the main thread (a QGuiApplication must exist).
namespace keyvane::X11Platform {

// Whether an X display can be opened at all (checked before any window system is started).
bool displayAvailable();

// Nothing when there is no X display with XInput 2.2, XKB and XTEST (no way to work).
std::unique_ptr<PlatformServices> connect();

} // namespace keyvane::X11Platform
