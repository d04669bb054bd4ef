// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

typedef struct _XDisplay Display;

namespace keyvane {

// The window with the keyboard focus, followed through its focus events. They tell of focus moves
// and of another client's keyboard grab (a screen locker, a terminal's secure keyboard, a password
// prompt) without the program ever touching the user's input.
class FocusTracker {
public:
    explicit FocusTracker(Display* display)
        : display_(display) {}

    // Follows the focus to the window that has it now; true when that is another window.
    bool follow();
    // A focus event (FocusIn or FocusOut with its mode and detail) of a watched window; true when
    // the text around the cursor is no longer known: the focus moved, or another client began
    // holding the keyboard.
    bool handle(bool focusOut, int mode, int detail, unsigned long window);
    // Whether another client holds the keyboard: its keys are then neither read nor typed into.
    bool grabbedElsewhere() const { return grabbedElsewhere_; }

private:
    Display* display_;
    unsigned long focusWindow_ = 0;
    bool grabbedElsewhere_ = false;
};

} // namespace keyvane
