// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keyvane {

// A system-wide shortcut: a key (evdev code) and the modifiers held with it (Control, Shift,
// Alt, Super). Stored and shown as text such as "Control+F11".
struct Shortcut {
    std::uint16_t keyCode = 0;
    ModifierFlags modifiers = 0;

    bool operator==(const Shortcut&) const = default;

    // A key alone, or with Shift only, would take a key the user types with: a shortcut needs
    // Control, Alt or Super, unless it is a function key.
    bool leavesTypingAlone() const;

    // "Control+Shift+F12": the modifiers in the order Control, Shift, Alt, Super, then the key.
    std::string toString() const;
    // The text form back; nothing for an unknown key or modifier name, or no key.
    static std::optional<Shortcut> fromString(std::string_view text);
    // A shortcut as earlier versions stored it: a virtual key code of the ANSI keyboard and
    // modifier bits (0x0100 and 0x1000 Control, 0x0200 Shift, 0x0800 Alt).
    static std::optional<Shortcut> fromEarlierNumbers(std::uint32_t keyCode, std::uint32_t modifiers);
};

} // namespace keyvane
