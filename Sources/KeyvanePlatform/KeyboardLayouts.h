// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/Registration.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// The desktop's keyboard layouts: which there are, which is selected, choosing one, and what a
// key types in each.
class KeyboardLayouts {
public:
    virtual ~KeyboardLayouts() = default;

    // The desktop's keyboard layouts in group order; nothing when they cannot be listed.
    virtual std::optional<std::vector<KeyboardLayout>> enabledLayouts() = 0;
    // The selected layout, which keys type with.
    virtual std::optional<KeyboardLayout> currentLayout() = 0;
    // 0 on success; the effect may lag.
    virtual int selectLayout(const KeyboardLayout& layout) = 0;
    // Called after the current layout changed, by the user or by the program.
    virtual Registration onLayoutChanged(std::function<void()> handler) = 0;
    // Key for key between every two enabled layouts; empty when the desktop cannot tell.
    virtual std::vector<LayoutKeyMaps> keyMapsBetweenLayouts() { return {}; }
    // The text a key types in a layout with the given modifiers (Shift, Caps Lock, Level3 count);
    // nothing for dead keys, keys without a character, or a layout without key data.
    virtual std::optional<std::string> translateKey(const KeyboardLayout& layout, std::uint16_t keyCode,
                                                    ModifierFlags modifiers) = 0;
};

} // namespace keyvane
