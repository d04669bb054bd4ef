// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/XkbKeyboard.h"

#include "KeyvanePlatform/xkb/XkbKeyMaps.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <sstream>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace keyvane {
namespace {

std::vector<std::string> splitComma(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');) {
        parts.push_back(part);
    }
    return parts;
}

} // namespace

void XkbKeyboard::Release::operator()(xkb_context* context) const {
    xkb_context_unref(context);
}
void XkbKeyboard::Release::operator()(xkb_keymap* keymap) const {
    xkb_keymap_unref(keymap);
}
void XkbKeyboard::Release::operator()(xkb_state* state) const {
    xkb_state_unref(state);
}

XkbKeyboard::XkbKeyboard()
    : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

XkbKeyboard::~XkbKeyboard() = default;

bool XkbKeyboard::reload(Display* display, std::int32_t coreKeyboard) {
    if (!context_) {
        return false;
    }
    xkb_keymap* fresh = xkb_x11_keymap_new_from_device(context_.get(), XGetXCBConnection(display),
                                                       coreKeyboard, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (fresh == nullptr) {
        return false;
    }
    keymap_.reset(fresh);

    // The layout codes ("us", "ru", "ua") from the server's rules names.
    layoutCodes_.clear();
    variants_.clear();
    Atom rulesAtom = XInternAtom(display, "_XKB_RULES_NAMES", True);
    if (rulesAtom != 0) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), rulesAtom, 0, 1024, False, XA_STRING,
                               &type, &format, &items, &after, &data) == Success &&
            data != nullptr) {
            // Five NUL-separated strings: rules, model, layout, variant, options.
            std::vector<std::string> fields;
            const char* p = reinterpret_cast<const char*>(data);
            const char* end = p + items;
            while (p < end) {
                fields.emplace_back(p);
                p += fields.back().size() + 1;
            }
            if (fields.size() >= 3) {
                layoutCodes_ = splitComma(fields[2]);
            }
            if (fields.size() >= 4) {
                variants_ = splitComma(fields[3]);
            }
            XFree(data);
        }
    }
    layouts_.clear();
    for (unsigned int g = 0; g < groupCount(); ++g) {
        layouts_.push_back(layoutForGroup(g));
    }
    translationState_.reset(xkb_state_new(keymap_.get()));
    return true;
}

unsigned int XkbKeyboard::groupCount() const {
    return keymap_ ? xkb_keymap_num_layouts(keymap_.get()) : 0;
}

KeyboardLayout XkbKeyboard::layoutForGroup(unsigned int group) const {
    KeyboardLayout layout;
    layout.group = group;
    layout.layout = group < layoutCodes_.size() ? layoutCodes_[group] : std::string();
    layout.variant = group < variants_.size() ? variants_[group] : std::string();
    const char* name = xkb_keymap_layout_get_name(keymap_.get(), group);
    layout.name = name != nullptr ? name : "Group " + std::to_string(group + 1);
    if (auto code = XkbKeyMaps::languageOfLayout(layout.layout)) {
        layout.language = languageFromString(*code);
    }
    return layout;
}

std::optional<unsigned int> XkbKeyboard::groupOf(const KeyboardLayout& layout) const {
    if (layout.group < layouts_.size() && layouts_[layout.group] == layout) {
        return layout.group;
    }
    return std::nullopt;
}

std::vector<LayoutKeyMaps> XkbKeyboard::mapsBetweenLayouts() const {
    std::vector<LayoutKeyMaps> out;
    for (GroupKeyMaps& group : XkbKeyMaps::betweenGroups(keymap_.get())) {
        if (group.fromGroup < layouts_.size() && group.toGroup < layouts_.size()) {
            out.push_back({layouts_[group.fromGroup], layouts_[group.toGroup], std::move(group.lower),
                           std::move(group.shift)});
        }
    }
    return out;
}

std::optional<std::string> XkbKeyboard::translate(unsigned int group, std::uint16_t keyCode,
                                                  ModifierFlags modifiers) {
    xkb_state* state = translationState_.get();
    if (state == nullptr || group >= groupCount()) {
        return std::nullopt;
    }
    xkb_mod_mask_t mods = 0;
    auto add = [&](ModifierFlags flag, const char* name) {
        xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap_.get(), name);
        if ((modifiers & flag) != 0 && index != XKB_MOD_INVALID) {
            mods |= (1u << index);
        }
    };
    add(Modifier::shift, XKB_MOD_NAME_SHIFT);
    add(Modifier::control, XKB_MOD_NAME_CTRL);
    add(Modifier::level3, "Mod5");
    xkb_mod_mask_t locked = 0;
    if ((modifiers & Modifier::capsLock) != 0) {
        locked = 1u << xkb_keymap_mod_get_index(keymap_.get(), XKB_MOD_NAME_CAPS);
    }
    xkb_state_update_mask(state, mods, 0, locked, 0, 0, group);
    char buffer[64] = {};
    int length = xkb_state_key_get_utf8(state, keyCode + 8u, buffer, sizeof buffer);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) {
        return std::nullopt;
    }
    return std::string(buffer, static_cast<std::size_t>(length));
}

} // namespace keyvane
