// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// The user's keys: every key press, the modifiers held now, another program's hold on the
// keyboard, and holding the user's keys back while the program types.
class KeyMonitor {
public:
    using KeyHandler = std::function<void(const KeyDown&)>;
    using MonitorHandle = int;

    virtual ~KeyMonitor() = default;

    // A system-wide key-down monitor; nothing when the program may not monitor keys.
    virtual std::optional<MonitorHandle> addGlobalKeyMonitor(KeyHandler handler) = 0;
    virtual void removeKeyMonitor(MonitorHandle handle) = 0;

    // Keeps the user's key presses away from applications until endHoldingKeys, which lets them
    // through after everything the program posted meanwhile, in their order. Returns the text
    // of key presses the user already made after the last one seen by the key monitor (the
    // focused application has them): nothing when one of them was an editing key (backspace,
    // Return, an arrow, …) that cannot simply be typed again. With `readIn`, the layout about to
    // be selected, that text is read in it (the user typed those keys before the switch, meaning
    // them in the layout that follows the correction), and so does the key monitor read them.
    // Until erasePosted, no other program's key can come in between either: the caller posts the
    // erase at once, in this turn of the event loop, and calls it.
    virtual std::optional<std::vector<std::string>>
    beginHoldingKeys(const std::optional<KeyboardLayout>& readIn) = 0;
    virtual void erasePosted() {}
    // Right before the replacement is typed: what reached the application since beginHoldingKeys
    // although keys were held (programs that type through XTest cannot be held): how many
    // characters to erase, and their text (read as beginHoldingKeys read its own), to type again
    // after the replacement so that every key lands in order. Nothing when one of them was an
    // editing key. From here until endHoldingKeys no other program's key can come in between.
    struct LateKeys {
        std::size_t erase = 0;
        std::string text;
    };
    virtual std::optional<LateKeys> catchUpHeldKeys() { return LateKeys{}; }
    virtual void endHoldingKeys() = 0;

    // Whether another program holds the keyboard (a screen locker, a terminal's secure keyboard,
    // a password prompt): its keys are then neither read nor typed into.
    virtual bool keyboardGrabbedElsewhere() = 0;
    // Whether the user holds Shift, Control, Alt or Super now (a shortcut's own keys): a key typed
    // for the user meanwhile would reach the application as a shortcut of its own.
    virtual bool modifiersHeld() { return false; }
};

} // namespace keyvane
