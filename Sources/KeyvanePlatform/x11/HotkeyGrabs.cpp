// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/HotkeyGrabs.h"

#include "KeyvanePlatform/x11/XErrors.h"

#include <X11/Xlib.h>

namespace keyvane {
namespace {

// Lock modifiers that must not stop a shortcut: Caps Lock and Num Lock.
constexpr unsigned int ignoredLocks[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};
// The modifiers a shortcut is made of: Control, Shift, Alt and Super.
constexpr unsigned int shortcutModifiers = ControlMask | ShiftMask | Mod1Mask | Mod4Mask;

} // namespace

bool HotkeyGrabs::grab(Display* display, int id, std::uint16_t keyCode, ModifierFlags flags) {
    if (keyCode == 0 || keyCode > 247) {
        return false;
    }
    const unsigned int modifiers =
        ((flags & Modifier::control) ? ControlMask : 0u) | ((flags & Modifier::shift) ? ShiftMask : 0u) |
        ((flags & Modifier::alt) ? Mod1Mask : 0u) | ((flags & Modifier::super) ? Mod4Mask : 0u);
    const unsigned int keycode = keyCode + 8u;
    const Window root = DefaultRootWindow(display);
    XSync(display, False);
    XErrors::clear();
    for (unsigned int locks : ignoredLocks) {
        XGrabKey(display, static_cast<int>(keycode), modifiers | locks, root, True, GrabModeAsync,
                 GrabModeAsync);
    }
    XSync(display, False);
    if (XErrors::last() != 0) {
        for (unsigned int locks : ignoredLocks) {
            XUngrabKey(display, static_cast<int>(keycode), modifiers | locks, root);
        }
        XFlush(display);
        return false;
    }
    grabs_.push_back({id, keycode, modifiers});
    return true;
}

void HotkeyGrabs::ungrabAll(Display* display) {
    for (const Grab& grab : grabs_) {
        for (unsigned int locks : ignoredLocks) {
            XUngrabKey(display, static_cast<int>(grab.keycode), grab.modifiers | locks,
                       DefaultRootWindow(display));
        }
    }
    grabs_.clear();
    XFlush(display);
}

std::optional<int> HotkeyGrabs::idFor(unsigned int xkeycode, unsigned int state) const {
    for (const Grab& grab : grabs_) {
        if (grab.keycode == xkeycode && grab.modifiers == (state & shortcutModifiers)) {
            return grab.id;
        }
    }
    return std::nullopt;
}

} // namespace keyvane
