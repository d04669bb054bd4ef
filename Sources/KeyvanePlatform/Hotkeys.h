// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/Registration.h"

#include <cstdint>
#include <functional>

namespace keyvane {

// System-wide shortcuts (Control, Shift, Alt and Super count).
class Hotkeys {
public:
    virtual ~Hotkeys() = default;

    // False when the shortcut cannot be taken (another program holds it).
    virtual bool registerHotkey(int id, std::uint16_t keyCode, ModifierFlags modifiers) = 0;
    virtual void unregisterHotkeys() = 0;
    // Called with the id of a registered shortcut when it is pressed.
    virtual Registration onHotkey(std::function<void(int id)> handler) = 0;
};

} // namespace keyvane
