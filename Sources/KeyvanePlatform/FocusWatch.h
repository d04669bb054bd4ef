// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/Registration.h"

#include <functional>
#include <optional>

namespace keyvane {

// Where the text cursor and the keyboard focus are: clicks, focus moves and what is known of the
// focused field.
class FocusWatch {
public:
    virtual ~FocusWatch() = default;

    // Called on every press of a mouse button that may move the text cursor or the focus (not
    // the wheel): the text around the cursor is then no longer known.
    virtual Registration onPointerButton(std::function<void()> handler) = 0;
    // Called on a press of the middle button, which pastes the selection where the pointer is, and
    // of the right one, whose menu may paste.
    virtual Registration onPointerPaste(std::function<void()> /*handler*/) { return Registration(); }
    // Called whenever the keyboard focus moves to another window, within one application too.
    virtual Registration onFocusChanged(std::function<void()> handler) = 0;
    // Whether the focused field is a password field. Called for every key: answered from what the
    // backend already knows. A change calls the focus handlers.
    virtual FocusedField focusedField() { return FocusedField::ordinary; }
    // Whether password fields can be told from others here at all (an accessibility bus runs).
    virtual bool tellsFocusedFields() { return true; }
    // Whether the focused text field holds several lines (Return then types a line break rather
    // than submitting); nothing when it cannot be told.
    virtual std::optional<bool> focusedTextIsMultiLine() { return std::nullopt; }
};

} // namespace keyvane
