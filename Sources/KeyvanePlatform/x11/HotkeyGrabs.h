// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <cstdint>
#include <optional>
#include <vector>

typedef struct _XDisplay Display;

namespace keyvane {

// The program's system-wide shortcuts as passive key grabs on the root window, taken whatever the
// lock keys (Caps Lock, Num Lock) are.
class HotkeyGrabs {
public:
    // Takes the shortcut; false (and nothing taken) when another client holds it.
    bool grab(Display* display, int id, std::uint16_t keyCode, ModifierFlags modifiers);
    void ungrabAll(Display* display);
    // The id of the shortcut an X key event is (its key code and modifier state); nothing for any
    // other key.
    std::optional<int> idFor(unsigned int xkeycode, unsigned int state) const;

private:
    struct Grab {
        int id;
        unsigned int keycode;
        unsigned int modifiers;
    };
    std::vector<Grab> grabs_;
};

} // namespace keyvane
