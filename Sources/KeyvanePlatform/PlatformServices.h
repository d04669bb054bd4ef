// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/Registration.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
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
// once, by the backend, from the layout code ("us", "gb" → "en"; "ru" → "ru"; "ua" → "uk").
struct KeyboardLayout {
    unsigned int group = 0;              // the XKB group index
    std::string layout;                  // "ru"
    std::string variant;                 // "phonetic", or empty
    std::string name;                    // "Russian (phonetic)", as the keymap names it
    std::optional<std::string> language; // "en", "ru" or "uk"; nothing for any other layout

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

// Everything the live path needs from the desktop: key monitoring, key translation, input
// sources, synthetic key events, the frontmost application, timers and the clipboard. All calls
// and callbacks happen on the main thread.
class PlatformServices {
public:
    using KeyHandler = std::function<void(const KeyDown&)>;
    using MonitorHandle = int;

    virtual ~PlatformServices() = default;

    // Time and delayed steps on the main loop.
    virtual double now() = 0;
    virtual void schedule(double delaySeconds, std::function<void()> step) = 0;

    // A system-wide key-down monitor; nothing when the program may not monitor keys.
    virtual std::optional<MonitorHandle> addGlobalKeyMonitor(KeyHandler handler) = 0;
    virtual void removeKeyMonitor(MonitorHandle handle) = 0;

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

    // Posts one key event to the focused application, in posting order.
    virtual void postKeyEvent(const SyntheticKeyEvent& event) = 0;

    // How a host replaces a word. The X11 host sees keys as the application gets them: the key that
    // ended a word is in the text already, and the replacement erases it and types it again. An
    // input-method host holds that key until the word is replaced, so the word is replaced first,
    // whatever the key (Return and Tab too), and the key follows.
    virtual bool replacesBeforeTheEndingKey() { return false; }
    // Replaces `typed`, right before the cursor, with `text` at once; false when it cannot. Asked
    // only of hosts that replace before the ending key.
    virtual bool replaceBeforeCursor(const std::string& /*typed*/, const std::string& /*text*/) {
        return false;
    }

    // The text selected in the focused field, where the host is told it (an input-method host, from
    // the field's surrounding text); nothing where it must be copied through the clipboard.
    virtual std::optional<std::string> selectedText() { return std::nullopt; }
    // Puts text in place of that selection; false when it cannot.
    virtual bool replaceSelection(const std::string& /*text*/) { return false; }

    // Keeps the user's key presses away from applications until endHoldingKeys, which lets them
    // through after everything the program posted meanwhile, in their order. Returns the text
    // of key presses the user already made after the last one seen by the key monitor (the
    // focused application has them): nothing when one of them was an editing key (backspace,
    // Return, an arrow, …) that cannot simply be typed again. With `readIn`, the layout about to
    // be selected, that text is read in it (the user typed those keys before the switch, meaning
    // them in the layout that follows the correction), and so does the key monitor read them.
    virtual std::optional<std::vector<std::string>>
    beginHoldingKeys(const std::optional<KeyboardLayout>& readIn) = 0;
    // Right before the replacement is typed: what reached the application since beginHoldingKeys
    // although keys were held (programs that type through XTest cannot be held): how many
    // characters to erase, and their text (read as beginHoldingKeys read its own), to type again
    // after the replacement so that every key lands in order. Nothing when one of them was an
    // editing key. From here until endHoldingKeys
    // no other program's key can come in between.
    struct LateKeys {
        std::size_t erase = 0;
        std::string text;
    };
    virtual std::optional<LateKeys> catchUpHeldKeys() { return LateKeys{}; }
    virtual void endHoldingKeys() = 0;

    // Called on every press of a mouse button that may move the text cursor or the focus (not
    // the wheel): the text around the cursor is then no longer known.
    virtual Registration onPointerButton(std::function<void()> handler) = 0;
    // Called on a press of the middle button, which pastes the selection where the pointer is, and
    // of the right one, whose menu may paste.
    virtual Registration onPointerPaste(std::function<void()> /*handler*/) { return Registration(); }
    // Called whenever the keyboard focus moves to another window, within one application too.
    virtual Registration onFocusChanged(std::function<void()> handler) = 0;
    // Whether another program holds the keyboard (a screen locker, a terminal's secure keyboard,
    // a password prompt): its keys are then neither read nor typed into.
    virtual bool keyboardGrabbedElsewhere() = 0;
    // Whether the user holds Shift, Control, Alt or Super now (a shortcut's own keys): a key typed
    // for the user meanwhile would reach the application as a shortcut of its own.
    virtual bool modifiersHeld() { return false; }
    // Whether the focused field is a password field. Called for every key: answered from what the
    // backend already knows. A change calls the focus handlers.
    virtual FocusedField focusedField() { return FocusedField::ordinary; }
    // Whether password fields can be told from others here at all (an accessibility bus runs).
    virtual bool tellsFocusedFields() { return true; }
    // Whether the focused text field holds several lines (Return then types a line break rather
    // than submitting); nothing when it cannot be told.
    virtual std::optional<bool> focusedTextIsMultiLine() { return std::nullopt; }

    virtual std::optional<FrontmostApplication> frontmostApplication() = 0;
    // Called on every change of the frontmost application.
    virtual Registration onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) = 0;

    virtual void openURL(const std::string& url) = 0;

    // System-wide shortcuts (Control, Shift, Alt and Super count). False when the shortcut cannot be
    // taken (another program holds it).
    virtual bool registerHotkey(int id, std::uint16_t keyCode, ModifierFlags modifiers) = 0;
    virtual void unregisterHotkeys() = 0;
    // Called with the id of a registered shortcut when it is pressed.
    virtual Registration onHotkey(std::function<void(int id)> handler) = 0;

    virtual ClipboardContents clipboardContents(ClipboardKind kind) = 0;
    virtual void setClipboardContents(const ClipboardContents& contents, ClipboardKind kind) = 0;
};

} // namespace keyvane
