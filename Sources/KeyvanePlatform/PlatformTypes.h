// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The values the desktop and the program hand each other: key codes and modifier flags, key
// presses, keyboard layouts, clipboards, the application in front and the focused field.

#include "KeyvaneCore/Language.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace keyvane {

// Linux evdev key codes (as in linux/input-event-codes.h): a key wherever it is, whatever the
// layout. The X server's key code is this plus 8.
namespace KeyCode {
inline constexpr std::uint16_t escape = 1;
inline constexpr std::uint16_t one = 2, two = 3, three = 4, four = 5, five = 6, six = 7, seven = 8, eight = 9,
                               nine = 10, zero = 11;
inline constexpr std::uint16_t minus = 12;
inline constexpr std::uint16_t equal = 13;
inline constexpr std::uint16_t backspace = 14;
inline constexpr std::uint16_t tab = 15;
inline constexpr std::uint16_t q = 16, w = 17, e = 18, r = 19, t = 20, y = 21, u = 22, i = 23, o = 24, p = 25;
inline constexpr std::uint16_t leftBrace = 26;
inline constexpr std::uint16_t rightBrace = 27;
inline constexpr std::uint16_t enter = 28;
inline constexpr std::uint16_t leftControl = 29;
inline constexpr std::uint16_t a = 30, s = 31, d = 32, f = 33, g = 34, h = 35, j = 36, k = 37, l = 38;
inline constexpr std::uint16_t semicolon = 39;
inline constexpr std::uint16_t apostrophe = 40;
inline constexpr std::uint16_t grave = 41;
inline constexpr std::uint16_t leftShift = 42;
inline constexpr std::uint16_t backslash = 43;
inline constexpr std::uint16_t z = 44, x = 45, c = 46, v = 47, b = 48, n = 49, m = 50;
inline constexpr std::uint16_t comma = 51;
inline constexpr std::uint16_t dot = 52;
inline constexpr std::uint16_t slash = 53;
inline constexpr std::uint16_t leftAlt = 56;
inline constexpr std::uint16_t space = 57;
inline constexpr std::uint16_t f1 = 59, f2 = 60, f3 = 61, f4 = 62, f5 = 63, f6 = 64, f7 = 65, f8 = 66,
                               f9 = 67, f10 = 68;
inline constexpr std::uint16_t f11 = 87;
inline constexpr std::uint16_t f12 = 88;
inline constexpr std::uint16_t home = 102;
inline constexpr std::uint16_t up = 103;
inline constexpr std::uint16_t pageUp = 104;
inline constexpr std::uint16_t left = 105;
inline constexpr std::uint16_t right = 106;
inline constexpr std::uint16_t end = 107;
inline constexpr std::uint16_t down = 108;
inline constexpr std::uint16_t pageDown = 109;
inline constexpr std::uint16_t insert = 110;
inline constexpr std::uint16_t deleteKey = 111; // the Delete key (forward); Backspace is backspace
inline constexpr std::uint16_t leftSuper = 125;
} // namespace KeyCode

// The modifier flags of a key press or of a shortcut.
using ModifierFlags = std::uint32_t;
namespace Modifier {
inline constexpr ModifierFlags shift = 1u << 0;
inline constexpr ModifierFlags capsLock = 1u << 1;
inline constexpr ModifierFlags control = 1u << 2;
inline constexpr ModifierFlags alt = 1u << 3;
inline constexpr ModifierFlags super = 1u << 4;
inline constexpr ModifierFlags level3 = 1u << 5; // AltGr: the third level of a layout
} // namespace Modifier

// The value the program writes into every key event it posts, to recognise its own events.
inline constexpr std::uint16_t syntheticEventMarker = 0x4B56;

// One key press seen by the global key monitor.
struct KeyDown {
    std::uint16_t keyCode = 0;             // evdev
    ModifierFlags modifiers = 0;           // held (Caps Lock: locked) when the key went down
    std::optional<std::uint16_t> userData; // the marker when the program posted this press itself
    bool ownShortcut = false;              // one of the program's registered shortcuts (undo, convert)

    // Control or Super: the shortcut modifiers of Linux desktops; such a press types nothing.
    bool shortcutHeld() const { return (modifiers & (Modifier::control | Modifier::super)) != 0; }
    // Alt: a menu or window shortcut, never typing.
    bool altHeld() const { return (modifiers & Modifier::alt) != 0; }
};

// A key event for the program to post.
struct SyntheticKeyEvent {
    std::uint16_t keyCode = 0;
    bool keyDown = true;
    std::optional<std::string> unicodeText; // exactly this text is typed, whatever the layout
    bool controlHeld = false;               // Control+C, Control+V
    bool shiftHeld = false;
    std::optional<std::uint16_t> userData;

    bool operator==(const SyntheticKeyEvent&) const = default;
};

// A keyboard layout of the desktop: one XKB group of the core keyboard. Its language is decided
// once, by the backend, from the layout code ("us", "gb" → English; "ru" → Russian; "ua" →
// Ukrainian).
struct KeyboardLayout {
    unsigned int group = 0;           // the XKB group index
    std::string layout;               // "ru"
    std::string variant;              // "phonetic", or empty
    std::string name;                 // "Russian (phonetic)", as the keymap names it
    std::optional<Language> language; // nothing for a layout of any other language

    // "ru" or "ru(phonetic)": the layout as logs name it.
    std::string id() const { return variant.empty() ? layout : layout + "(" + variant + ")"; }
    bool operator==(const KeyboardLayout&) const = default;
};
// What the keys of one layout type in another, key by key over the main block, unshifted and with
// Shift: read from the desktop's own keymap, so that every layout variant maps as it is.
struct LayoutKeyMaps {
    KeyboardLayout from;
    KeyboardLayout to;
    std::map<std::string, std::string> lower;
    std::map<std::string, std::string> shift;
};

// What a clipboard holds, every format of it (text, images, …), so that it can be put back whole.
struct ClipboardContents {
    std::vector<std::pair<std::string, std::string>> formats; // MIME type → bytes

    static constexpr const char* textFormat = "text/plain;charset=utf-8";
    static ClipboardContents ofText(const std::string& text) { return {{{textFormat, text}}}; }
    // The plain text, when the clipboard holds any.
    std::optional<std::string> text() const {
        for (const auto& [type, bytes] : formats) {
            if (type == textFormat || type == "text/plain") {
                return bytes;
            }
        }
        return std::nullopt;
    }
    bool operator==(const ClipboardContents&) const = default;
};

// CLIPBOARD (copy and paste) or PRIMARY (the current selection, pasted with Shift+Insert).
enum class ClipboardKind { clipboard, primary };

// The application in front, as the desktop knows it.
struct FrontmostApplication {
    std::string desktopEntryID;                  // "org.gnome.TextEditor": its .desktop file's name
    std::string name;                            // the entry's Name, else the window class
    std::optional<std::string> desktopEntryPath; // the .desktop file, when one was found
    std::string wmClass;                         // the window's WM_CLASS class

    bool operator==(const FrontmostApplication&) const = default;
};

// What the accessibility bus says of the field with the keyboard focus.
enum class FocusedField {
    ordinary, // an ordinary field
    password, // a password field
    asking,   // a field just focused whose kind is still being asked (a password field until told)
    untold,   // a program that can tell has not told (not on the bus, no answer): as a password field
    unknown,  // password fields cannot be told from others here (no accessibility bus, or a
              // program such as xterm that tells nothing): the user's choice decides
};
inline const char* toString(FocusedField field) {
    switch (field) {
    case FocusedField::ordinary: return "ordinary";
    case FocusedField::password: return "password";
    case FocusedField::asking: return "asking";
    case FocusedField::untold: return "untold";
    case FocusedField::unknown: return "unknown";
    }
    return "unknown";
}

} // namespace keyvane
