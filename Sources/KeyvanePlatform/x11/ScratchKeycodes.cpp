// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/ScratchKeycodes.h"

#include <X11/Xlib.h>
#include <algorithm>
#include <xkbcommon/xkbcommon.h>

namespace keyvane {

void ScratchKeycodes::find(Display* display, xkb_keymap* keymap) {
    codes_.clear();
    int minKeycode = 0, maxKeycode = 0;
    XDisplayKeycodes(display, &minKeycode, &maxKeycode);
    for (int kc = maxKeycode; kc >= minKeycode && codes_.size() < 8; --kc) {
        if (xkb_keymap_num_layouts_for_key(keymap, static_cast<xkb_keycode_t>(kc)) == 0) {
            codes_.push_back(static_cast<unsigned int>(kc));
        }
    }
    quiet_ = 0;
    for (int kc = minKeycode; kc <= maxKeycode && quiet_ == 0; ++kc) {
        if (xkb_keymap_num_layouts_for_key(keymap, static_cast<xkb_keycode_t>(kc)) == 0 &&
            !contains(static_cast<unsigned int>(kc))) {
            quiet_ = static_cast<unsigned int>(kc);
        }
    }
}

bool ScratchKeycodes::contains(unsigned int keycode) const {
    return std::find(codes_.begin(), codes_.end(), keycode) != codes_.end();
}

unsigned int ScratchKeycodes::bind(Display* display, unsigned int keysym) {
    for (const auto& [kc, bound] : binding_) {
        if (bound == keysym) {
            return kc;
        }
    }
    const unsigned int kc = codes_[next_++ % codes_.size()];
    KeySym syms[2] = {keysym, keysym};
    XChangeKeyboardMapping(display, static_cast<int>(kc), 2, syms, 1);
    XSync(display, False);
    binding_[kc] = keysym;
    return kc;
}

void ScratchKeycodes::restore(Display* display) {
    for (const auto& [kc, keysym] : binding_) {
        KeySym none = 0; // NoSymbol
        XChangeKeyboardMapping(display, static_cast<int>(kc), 1, &none, 1);
    }
    binding_.clear();
    XFlush(display);
}

} // namespace keyvane
