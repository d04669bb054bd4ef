// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"
#include "KeyvanePlatform/x11/OwnKeyPresses.h"
#include "KeyvanePlatform/x11/ScratchKeycodes.h"

#include <array>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

typedef struct _XDisplay Display;

namespace keyvane {

class XkbKeyboard;

// Types synthetic keys through XTest: characters by the key of the current group that types them
// (with Shift for the second level), else by a spare key code bound for the moment; remembers its
// own presses until they come back from the server, so that the key monitor can tell them from
// the user's (see OwnKeyPresses).
class KeyInjector {
public:
    struct Hooks {
        std::function<double()> now;
        std::function<void(double delaySeconds, std::function<void()> step)> schedule;
        // Called after a request that may have read events into Xlib's queue.
        std::function<void()> afterRequest;
        // Called once the spare key codes are given back (a change of the server's keyboard map).
        std::function<void()> keymapRestored;
    };

    KeyInjector(Display* display, const XkbKeyboard& keyboard, Hooks hooks);
    // Gives the spare key codes back to no symbol.
    ~KeyInjector();
    KeyInjector(const KeyInjector&) = delete;
    KeyInjector& operator=(const KeyInjector&) = delete;

    // Types the event with the given group and modifiers in force (unless the state is frozen).
    void post(const SyntheticKeyEvent& event, unsigned int group, unsigned int mods);
    // Presses or releases a key the user pressed while keys were held; it comes back as the user's.
    void replay(unsigned int xkeycode, bool press) { fakeKey(xkeycode, press, /*ours=*/false); }

    // While the server is grabbed for a retype, the group and modifiers are exact: type with them,
    // and never with a key still held down then (pressing it again would be taken for the same key
    // held, and its character lost).
    void freezeState(unsigned int group, unsigned int mods);
    void thawState() { frozen_.reset(); }

    // Whether a key press from the XTest device is one this program posted; it is then no longer
    // awaited.
    bool takeOwnPress(unsigned int xkeycode) { return own_.take(xkeycode, hooks_.now()); }
    // The presses posted and not yet come back.
    const OwnKeyPresses& pressesInFlight() const { return own_; }
    // The spare key code kept unbound: see X11Session::retellGroup().
    unsigned int quietKeycode() const { return scratch_.quiet(); }

private:
    void fakeKey(unsigned int xkeycode, bool press, bool ours = true);
    void typeCodePoint(char32_t codePoint, bool press, unsigned int group, unsigned int mods);
    // A key code that types the keysym with the given group and level, or nothing.
    std::optional<unsigned int> keycodeFor(unsigned int keysym, unsigned int group,
                                           unsigned int* level) const;
    unsigned int scratchKeycodeFor(unsigned int keysym);
    void scheduleScratchRestore(double delaySeconds);

    Display* display_;
    const XkbKeyboard& keyboard_;
    Hooks hooks_;
    OwnKeyPresses own_;
    std::vector<unsigned int> posting_;                           // the presses of the post being sent
    std::optional<std::pair<unsigned int, unsigned int>> frozen_; // group, modifiers
    std::array<char, 32> keysDown_{};                             // key codes held down when frozen
    // Spare key codes bound for the moment to characters that no key of the layout types.
    ScratchKeycodes scratch_;
    bool restoreScheduled_ = false;
    double lastScratchUse_ = 0;
};

} // namespace keyvane
