// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/FocusTracker.h"

#include <X11/Xlib.h>

namespace keyvane {

bool FocusTracker::handle(bool focusOut, int mode, int detail, unsigned long window) {
    // A keyboard grab moves the focus, for focus events, to the grabbing window: the focused
    // window hears FocusOut with mode Grab when another client's grab begins, FocusIn with mode
    // Ungrab when it ends. Watching this never touches the user's input.
    // A grab whose window is an ancestor of the focus (the root: a global shortcut, this program's
    // own among them) leaves typing where it was; a grab by a window inside the focused one (a
    // terminal's secure keyboard) or by another window (a locker, a password prompt) takes the keys.
    if (mode == NotifyGrab && focusOut) {
        const bool takesTheKeys =
            window == focusWindow_ &&
            (detail == NotifyInferior || detail == NotifyNonlinear || detail == NotifyNonlinearVirtual);
        if (takesTheKeys && !grabbedElsewhere_) {
            grabbedElsewhere_ = true;
            return true;
        }
        return false;
    }
    if (mode == NotifyUngrab) {
        grabbedElsewhere_ = false;
        return false;
    }
    return follow();
}

bool FocusTracker::follow() {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == focusWindow_) {
        return false;
    }
    const Window root = DefaultRootWindow(display_);
    if (focusWindow_ > PointerRoot && focusWindow_ != root) {
        XSelectInput(display_, focusWindow_, NoEventMask); // only this program's interest; may be gone
    }
    focusWindow_ = focus;
    if (focus > PointerRoot && focus != root) {
        XSelectInput(display_, focus, FocusChangeMask);
    }
    XFlush(display_);
    return true;
}

} // namespace keyvane
