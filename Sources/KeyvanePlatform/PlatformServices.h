#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// Virtual key codes of the ANSI keyboard, as the rest of the program knows them.
namespace KeyCode {
inline constexpr std::uint16_t a = 0;
inline constexpr std::uint16_t c = 8;
inline constexpr std::uint16_t v = 9;
inline constexpr std::uint16_t r = 15;
inline constexpr std::uint16_t returnKey = 36;
inline constexpr std::uint16_t tab = 48;
inline constexpr std::uint16_t space = 49;
inline constexpr std::uint16_t deleteKey = 51; // backspace
inline constexpr std::uint16_t escape = 53;
inline constexpr std::uint16_t insert = 114;
inline constexpr std::uint16_t home = 115;
inline constexpr std::uint16_t pageUp = 116;
inline constexpr std::uint16_t forwardDelete = 117;
inline constexpr std::uint16_t end = 119;
inline constexpr std::uint16_t pageDown = 121;
inline constexpr std::uint16_t leftArrow = 123;
inline constexpr std::uint16_t rightArrow = 124;
inline constexpr std::uint16_t downArrow = 125;
inline constexpr std::uint16_t upArrow = 126;
} // namespace KeyCode

// Carbon-style modifier bits used for key translation and stored hotkeys.
namespace ModifierBit {
inline constexpr std::uint32_t command = 0x0100;
inline constexpr std::uint32_t shift = 0x0200;
inline constexpr std::uint32_t capsLock = 0x0400;
inline constexpr std::uint32_t option = 0x0800;
inline constexpr std::uint32_t control = 0x1000;
} // namespace ModifierBit

// The value the program writes into every key event it posts, to recognise its own events.
inline constexpr std::uint16_t kSyntheticEventMarker = 0x4B56;

// One key press seen by the global key monitor.
struct KeyPress {
    std::uint16_t keyCode = 0;
    std::uint32_t carbonModifiers = 0;     // shift, caps lock, option, control bits
    bool commandHeld = false;              // a shortcut modifier (Control or Super on Linux desktops)
    std::optional<std::uint16_t> userData; // the marker when the program posted this press itself
    bool altHeld = false;                  // Alt: a menu or window shortcut, never typing
    bool ownShortcut = false;              // one of the program's registered shortcuts (undo, convert)
};

// A key event for the program to post.
struct SyntheticKeyEvent {
    std::uint16_t keyCode = 0;
    bool keyDown = true;
    std::optional<std::string> unicodeText; // exactly this text is typed, whatever the layout
    bool commandHeld = false;
    bool shiftHeld = false;
    std::optional<std::uint16_t> userData;

    bool operator==(const SyntheticKeyEvent&) const = default;
};

// A keyboard input source (a layout).
struct InputSource {
    std::string id; // "xkb.keylayout.Russian"
    std::optional<std::string> category;
    std::optional<bool> selectCapable;
    std::optional<std::vector<std::string>> languages;

    bool operator==(const InputSource&) const = default;
};
// What the keys of one layout type in another, key by key over the main block, unshifted and with
// Shift: read from the desktop's own keymap, so that every layout variant maps as it is.
struct LayoutKeyMaps {
    std::string fromSourceID;
    std::string toSourceID;
    std::map<std::string, std::string> lower;
    std::map<std::string, std::string> shift;
};

inline constexpr const char* kKeyboardInputSourceCategory = "TISCategoryKeyboardInputSource";

// What a clipboard holds, every format of it (text, images, …), so that it can be put back whole.
struct ClipboardContents {
    std::vector<std::pair<std::string, std::string>> formats; // MIME type → bytes

    static constexpr const char* kTextFormat = "text/plain;charset=utf-8";
    static ClipboardContents ofText(const std::string& text) { return {{{kTextFormat, text}}}; }
    // The plain text, when the clipboard holds any.
    std::optional<std::string> text() const {
        for (const auto& [type, bytes] : formats) {
            if (type == kTextFormat || type == "text/plain") {
                return bytes;
            }
        }
        return std::nullopt;
    }
    bool operator==(const ClipboardContents&) const = default;
};

// CLIPBOARD (copy and paste) or PRIMARY (the current selection, pasted with Shift+Insert).
enum class ClipboardKind { clipboard, primary };

// The application in front.
struct FrontmostApplication {
    std::string bundleID; // the desktop-entry ID
    std::string name;
    std::optional<std::string> bundleURL; // the desktop entry's path

    bool operator==(const FrontmostApplication&) const = default;
};

// Everything the live path needs from the desktop: key monitoring, key translation, input
// sources, synthetic key events, the frontmost application, timers and the clipboard. All calls
// and callbacks happen on the main thread.
class PlatformServices {
public:
    using KeyHandler = std::function<void(const KeyPress&)>;
    using MonitorHandle = int;

    virtual ~PlatformServices() = default;

    // Time and delayed steps on the main loop.
    virtual double now() = 0;
    virtual void schedule(double delaySeconds, std::function<void()> step) = 0;

    // A system-wide key-down monitor; nothing when the program may not monitor keys.
    virtual std::optional<MonitorHandle> addGlobalKeyMonitor(KeyHandler handler) = 0;
    virtual void removeKeyMonitor(MonitorHandle handle) = 0;

    // The enabled keyboard input sources in system order; nothing when they cannot be listed.
    virtual std::optional<std::vector<InputSource>> enabledInputSources() = 0;
    // The selected source, and the layout actually used for typing.
    virtual std::optional<InputSource> currentInputSource() = 0;
    virtual std::optional<InputSource> currentKeyboardLayoutSource() = 0;
    // 0 on success; the effect may lag.
    virtual int selectInputSource(const InputSource& source) = 0;
    // Key for key between every two enabled layouts; empty when the desktop cannot tell.
    virtual std::vector<LayoutKeyMaps> keyMapsBetweenLayouts() { return {}; }
    // The text a key types in a source with the given Carbon modifiers; nothing for dead keys,
    // keys without a character, or a source without layout data.
    virtual std::optional<std::string> translateKey(const InputSource& source, std::uint16_t keyCode,
                                                    std::uint32_t carbonModifiers) = 0;

    // Posts one key event to the focused application, in posting order.
    virtual void postKeyEvent(const SyntheticKeyEvent& event) = 0;

    // Keeps the user's key presses away from applications until endHoldingKeys, which lets them
    // through after everything the program posted meanwhile, in their order. Returns the text
    // of key presses the user already made after the last one seen by the key monitor (the
    // focused application has them): nothing when one of them was an editing key (backspace,
    // Return, an arrow, …) that cannot simply be typed again.
    virtual std::optional<std::vector<std::string>> beginHoldingKeys() = 0;
    // Right before the replacement is typed: what reached the application since beginHoldingKeys
    // although keys were held (programs that type through XTest cannot be held): how many
    // characters to erase, and their text, to type again after the replacement so that every key
    // lands in order. Nothing when one of them was an editing key. From here until endHoldingKeys
    // no other program's key can come in between.
    struct LateKeys {
        std::size_t erase = 0;
        std::string text;
    };
    virtual std::optional<LateKeys> catchUpHeldKeys() { return LateKeys{}; }
    virtual void endHoldingKeys() = 0;

    // Called on every press of a mouse button that may move the text cursor or the focus (not
    // the wheel): the text around the cursor is then no longer known.
    virtual void onPointerButton(std::function<void()> handler) = 0;
    // Called whenever the keyboard focus moves to another window, within one application too.
    virtual void onFocusChanged(std::function<void()> handler) = 0;
    // Whether another program holds the keyboard (a screen locker, a terminal's secure keyboard,
    // a password prompt): its keys are then neither read nor typed into.
    virtual bool keyboardGrabbedElsewhere() = 0;
    // Whether the focused text field holds several lines (Return then types a line break rather
    // than submitting); nothing when it cannot be told.
    virtual std::optional<bool> focusedTextIsMultiLine() { return std::nullopt; }

    virtual std::optional<FrontmostApplication> frontmostApplication() = 0;
    // Called on every change of the frontmost application.
    virtual void onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) = 0;

    // Whether key monitoring and synthetic events are possible here.
    virtual bool isTrusted() = 0;
    virtual void openURL(const std::string& url) = 0;

    // System-wide shortcuts: Carbon-style modifiers (Command 0x0100, Shift 0x0200, Option 0x0800,
    // Control 0x1000). False when the shortcut cannot be taken (another program holds it).
    virtual bool registerHotkey(int id, std::uint16_t keyCode, std::uint32_t carbonModifiers) = 0;
    virtual void unregisterHotkeys() = 0;
    // Called with the id of a registered shortcut when it is pressed.
    virtual void onHotkey(std::function<void(int id)> handler) = 0;

    virtual ClipboardContents clipboardContents(ClipboardKind kind) = 0;
    virtual void setClipboardContents(const ClipboardContents& contents, ClipboardKind kind) = 0;
};

} // namespace keyvane
