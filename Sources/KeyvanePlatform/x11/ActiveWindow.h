// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <optional>

typedef struct _XDisplay Display;

namespace keyvane {

// The application in front on an X display: the window manager's _NET_ACTIVE_WINDOW (else the
// window with the input focus), named through the desktop entry its window names.
class ActiveWindow {
public:
    explicit ActiveWindow(Display* display);

    // The root window property whose changes tell that another window came to the front.
    unsigned long atom() const { return atom_; }
    std::optional<FrontmostApplication> application() const;
    // The process of the application in front (its window's _NET_WM_PID), when the window tells it.
    std::optional<long long> processID() const;

private:
    // The top-level window in front (the first one up from the active window that carries
    // WM_CLASS); 0 when there is none.
    unsigned long toplevel() const;

    Display* display_;
    unsigned long atom_;
};

} // namespace keyvane
