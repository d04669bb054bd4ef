// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <map>
#include <vector>

struct xkb_keymap;
typedef struct _XDisplay Display;

namespace keyvane {

// Spare key codes of the X server (those its keymap leaves without any symbol), bound for the
// moment to a character that no key of the current layout types, so that XTest can type exactly
// the text asked for. The bindings are given back with restore().
class ScratchKeycodes {
public:
    // Takes up to eight spare key codes of the keymap, and keeps one more unbound (quiet()).
    void find(Display* display, xkb_keymap* keymap);
    // A spare key code that is never bound: pressing it types nothing and does nothing, anywhere
    // (0 when the keymap has none to spare).
    unsigned int quiet() const { return quiet_; }
    bool empty() const { return codes_.empty(); }
    bool contains(unsigned int keycode) const;
    bool anyBound() const { return !binding_.empty(); }

    // A spare key code that types the keysym: the one already bound to it, else the next spare
    // one in turn (so that a binding is not changed again while a client may still be reading the
    // press made with it). Call only when not empty().
    unsigned int bind(Display* display, unsigned int keysym);
    // Gives every bound key code back to no symbol.
    void restore(Display* display);

private:
    std::vector<unsigned int> codes_;
    unsigned int quiet_ = 0;
    std::map<unsigned int, unsigned int> binding_; // key code → keysym
    std::size_t next_ = 0;
};

} // namespace keyvane
