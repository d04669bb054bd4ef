// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/xkb/XkbKeyMaps.h"

#include <array>
#include <xkbcommon/xkbcommon.h>

namespace keyvane::XkbKeyMaps {
namespace {

// The main block in evdev key codes (X key codes are 8 more): TLDE, AE01–AE12, AD01–AD12,
// AC01–AC11, BKSL, AB01–AB10.
std::vector<xkb_keycode_t> mainBlock() {
    std::vector<xkb_keycode_t> keys{41};
    auto range = [&keys](xkb_keycode_t first, xkb_keycode_t last) {
        for (xkb_keycode_t k = first; k <= last; ++k) {
            keys.push_back(k);
        }
    };
    range(2, 13);
    range(16, 27);
    range(30, 40);
    keys.push_back(43);
    range(44, 53);
    for (xkb_keycode_t& k : keys) {
        k += 8;
    }
    return keys;
}

// The character a key types in a group at a shift level, empty when it types none.
std::string characterAt(xkb_keymap* keymap, xkb_keycode_t key, unsigned int group, unsigned int level) {
    const xkb_keysym_t* syms = nullptr;
    if (xkb_keymap_key_get_syms_by_level(keymap, key, group, level, &syms) != 1) {
        return {};
    }
    std::array<char, 16> buffer{};
    const int length = xkb_keysym_to_utf8(syms[0], buffer.data(), buffer.size());
    if (length <= 1) {
        return {};
    }
    std::string text(buffer.data());
    const bool control = text.size() == 1 && (static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7f);
    return control ? std::string() : text;
}

} // namespace

std::optional<std::string> languageOfLayout(const std::string& code) {
    if (code == "us" || code == "gb") {
        return "en";
    }
    if (code == "ru") {
        return "ru";
    }
    if (code == "ua") {
        return "uk";
    }
    return std::nullopt;
}

std::vector<GroupKeyMaps> betweenGroups(xkb_keymap* keymap) {
    std::vector<GroupKeyMaps> out;
    if (keymap == nullptr) {
        return out;
    }
    const unsigned int groups = xkb_keymap_num_layouts(keymap);
    const std::vector<xkb_keycode_t> keys = mainBlock();
    for (unsigned int from = 0; from < groups; ++from) {
        for (unsigned int to = 0; to < groups; ++to) {
            if (from == to) {
                continue;
            }
            GroupKeyMaps maps{from, to, {}, {}};
            for (xkb_keycode_t key : keys) {
                for (unsigned int level = 0; level < 2; ++level) {
                    const std::string typed = characterAt(keymap, key, from, level);
                    const std::string meant = characterAt(keymap, key, to, level);
                    if (typed.empty() || meant.empty() || typed == meant) {
                        continue;
                    }
                    // The first key that types a character decides what it stands for.
                    (level == 0 ? maps.lower : maps.shift).try_emplace(typed, meant);
                }
            }
            out.push_back(std::move(maps));
        }
    }
    return out;
}

void KeymapDeleter::operator()(xkb_keymap* keymap) const {
    xkb_keymap_unref(keymap);
}

std::unique_ptr<xkb_keymap, KeymapDeleter> compile(const std::string& layouts, const std::string& variants) {
    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                       &xkb_context_unref);
    if (!context) {
        return nullptr;
    }
    const xkb_rule_names names{"evdev", "pc105", layouts.c_str(), variants.c_str(), ""};
    return std::unique_ptr<xkb_keymap, KeymapDeleter>(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

} // namespace keyvane::XkbKeyMaps
