// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/Applications.h"
#include "KeyvanePlatform/Clipboard.h"
#include "KeyvanePlatform/FocusWatch.h"
#include "KeyvanePlatform/Hotkeys.h"
#include "KeyvanePlatform/KeyMonitor.h"
#include "KeyvanePlatform/KeyboardLayouts.h"
#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/Scheduler.h"
#include "KeyvanePlatform/TextInjection.h"

namespace keyvane {

// Everything the live path needs from the desktop, as a host gives it: timers, the user's keys,
// the layouts, typing into the focused field, the focus, the applications, shortcuts and the
// clipboard. A part of the program that needs only some of it takes those parts alone. All calls
// and callbacks happen on the main thread.
class PlatformServices : public Scheduler,
                         public KeyMonitor,
                         public KeyboardLayouts,
                         public TextInjection,
                         public FocusWatch,
                         public Applications,
                         public Hotkeys,
                         public Clipboard {};

} // namespace keyvane
