// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/KeyInjector.h"

#include "KeyvanePlatform/x11/XkbKeyboard.h"

#include <QString>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <algorithm>
#include <vector>
#include <xkbcommon/xkbcommon.h>

namespace keyvane {
namespace {

constexpr unsigned int noSymbol = 0;
// Spare key codes keep their binding this long after their last use.
constexpr double scratchLifetime = 1.0;

} // namespace

KeyInjector::KeyInjector(Display* display, const XkbKeyboard& keyboard, Hooks hooks)
    : display_(display)
    , keyboard_(keyboard)
    , hooks_(std::move(hooks)) {
    scratch_.find(display_, keyboard_.keymap());
    own_ = OwnKeyPresses(scratch_.quiet());
}

KeyInjector::~KeyInjector() {
    scratch_.restore(display_);
}

void KeyInjector::freezeState(unsigned int group, unsigned int mods) {
    frozen_ = std::make_pair(group, mods);
    XQueryKeymap(display_, keysDown_.data());
}

std::optional<unsigned int> KeyInjector::keycodeFor(unsigned int keysym, unsigned int group,
                                                    unsigned int* level) const {
    xkb_keymap* keymap = keyboard_.keymap();
    const xkb_keycode_t min = xkb_keymap_min_keycode(keymap);
    const xkb_keycode_t max = xkb_keymap_max_keycode(keymap);
    for (unsigned int wantedLevel = 0; wantedLevel < 2; ++wantedLevel) {
        for (xkb_keycode_t kc = min; kc <= max; ++kc) {
            if (scratch_.contains(kc)) {
                continue;
            }
            const xkb_keysym_t* syms = nullptr;
            int n = xkb_keymap_key_get_syms_by_level(keymap, kc, group, wantedLevel, &syms);
            if (n == 1 && syms[0] == keysym) {
                *level = wantedLevel;
                return kc;
            }
        }
    }
    return std::nullopt;
}

unsigned int KeyInjector::scratchKeycodeFor(unsigned int keysym) {
    lastScratchUse_ = hooks_.now();
    const unsigned int kc = scratch_.bind(display_, keysym);
    hooks_.afterRequest();
    if (!restoreScheduled_) {
        restoreScheduled_ = true;
        scheduleScratchRestore(scratchLifetime);
    }
    return kc;
}

void KeyInjector::scheduleScratchRestore(double delay) {
    // Applications read a press made with a spare key some time after it was typed, with the
    // binding they find then: the spare keys are given back only a while after their last use.
    hooks_.schedule(delay, [this] {
        const double idle = hooks_.now() - lastScratchUse_;
        if (idle < scratchLifetime) {
            scheduleScratchRestore(scratchLifetime - idle);
            return;
        }
        restoreScheduled_ = false;
        // No other client sees the map without what follows it (the group told anew).
        XGrabServer(display_);
        scratch_.restore(display_);
        if (hooks_.keymapRestored) {
            hooks_.keymapRestored();
        }
        XUngrabServer(display_);
        XFlush(display_);
        hooks_.afterRequest();
    });
}

void KeyInjector::fakeKey(unsigned int xkeycode, bool press, bool ours) {
    if (press && ours) {
        posting_.push_back(xkeycode);
    }
    XTestFakeKeyEvent(display_, xkeycode, press ? True : False, CurrentTime);
}

void KeyInjector::typeCodePoint(char32_t codePoint, bool press, unsigned int group, unsigned int mods) {
    unsigned int keysym = codePoint == U'\n' || codePoint == U'\r' ? XK_Return
                          : codePoint == U'\t'                     ? XK_Tab
                          : codePoint == U'\b'                     ? XK_BackSpace
                                                                   : xkb_utf32_to_keysym(codePoint);
    if (keysym == noSymbol) {
        return;
    }
    if (frozen_) {
        group = frozen_->first;
        mods = frozen_->second;
    }
    unsigned int level = 0;
    // A key of the current layout when no modifier would change what it types.
    bool plain = (mods & (ShiftMask | LockMask | ControlMask | Mod1Mask | Mod4Mask | Mod5Mask)) == 0;
    std::optional<unsigned int> kc = plain ? keycodeFor(keysym, group, &level) : std::nullopt;
    if (kc && frozen_ && (keysDown_[*kc / 8] & (1 << (*kc % 8))) != 0) {
        kc.reset();
    }
    if (kc && level == 1) {
        unsigned int shift = XKeysymToKeycode(display_, XK_Shift_L);
        if (press) {
            fakeKey(shift, true);
            fakeKey(*kc, true);
        } else {
            fakeKey(*kc, false);
            fakeKey(shift, false);
        }
        return;
    }
    if (!kc && !scratch_.empty()) {
        kc = scratchKeycodeFor(keysym);
    }
    if (kc) {
        fakeKey(*kc, press);
    }
}

void KeyInjector::post(const SyntheticKeyEvent& event, unsigned int group, unsigned int mods) {
    // The quiet key first: what follows it, sent in the same flush, is known to be ours.
    posting_.clear();
    if (const unsigned int quiet = scratch_.quiet(); quiet != 0) {
        XTestFakeKeyEvent(display_, quiet, True, CurrentTime);
        XTestFakeKeyEvent(display_, quiet, False, CurrentTime);
    }
    std::vector<unsigned int> modifiers;
    if (event.controlHeld) {
        modifiers.push_back(XKeysymToKeycode(display_, XK_Control_L));
    }
    if (event.shiftHeld) {
        modifiers.push_back(XKeysymToKeycode(display_, XK_Shift_L));
    }
    if (event.keyDown) {
        for (unsigned int m : modifiers) {
            fakeKey(m, true);
        }
    }
    if (event.unicodeText) {
        // Each code point of the character in turn (a combining sequence arrives whole).
        const std::string& text = *event.unicodeText;
        std::u32string codePoints =
            QString::fromUtf8(text.data(), static_cast<int>(text.size())).toStdU32String();
        for (char32_t cp : codePoints) {
            typeCodePoint(cp, event.keyDown, group, mods);
        }
    } else if (event.keyCode != 0) {
        fakeKey(event.keyCode + 8u, event.keyDown);
    }
    if (!event.keyDown) {
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
            fakeKey(*it, false);
        }
    }
    own_.posted(std::move(posting_), hooks_.now());
    XFlush(display_);
    hooks_.afterRequest();
}

} // namespace keyvane
