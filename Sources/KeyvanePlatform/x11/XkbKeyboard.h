// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
typedef struct _XDisplay Display;

namespace keyvane {

// The X server's core keyboard as xkbcommon reads it: its groups as Keyvane's layouts (with the
// layout codes and variants of the server's rule names), and what each key types in each group.
class XkbKeyboard {
public:
    XkbKeyboard();
    ~XkbKeyboard();
    XkbKeyboard(const XkbKeyboard&) = delete;
    XkbKeyboard& operator=(const XkbKeyboard&) = delete;

    // Reads the keymap of the core keyboard and the rule names again (after a keyboard change);
    // false, and the previous description kept, when the server gives none.
    bool reload(Display* display, std::int32_t coreKeyboard);

    // Null until a keymap has been read.
    xkb_keymap* keymap() const { return keymap_.get(); }
    unsigned int groupCount() const;
    const std::vector<KeyboardLayout>& layouts() const { return layouts_; }
    // The group of a layout of this keymap; nothing for a layout it does not have.
    std::optional<unsigned int> groupOf(const KeyboardLayout& layout) const;
    // The text a key (evdev code) types in a group with the given modifiers; nothing for dead keys
    // and keys without a character.
    std::optional<std::string> translate(unsigned int group, std::uint16_t keyCode, ModifierFlags modifiers);
    // Key for key between every two layouts.
    std::vector<LayoutKeyMaps> mapsBetweenLayouts() const;

private:
    KeyboardLayout layoutForGroup(unsigned int group) const;

    struct Release {
        void operator()(xkb_context* context) const;
        void operator()(xkb_keymap* keymap) const;
        void operator()(xkb_state* state) const;
    };
    std::unique_ptr<xkb_context, Release> context_;
    std::unique_ptr<xkb_keymap, Release> keymap_;
    // Reused for every translation (its mask is set each time).
    std::unique_ptr<xkb_state, Release> translationState_;
    std::vector<std::string> layoutCodes_; // "us", "ru", "ua" by group
    std::vector<std::string> variants_;    // "", "phonetic", … by group
    std::vector<KeyboardLayout> layouts_;  // one per group
};

} // namespace keyvane
