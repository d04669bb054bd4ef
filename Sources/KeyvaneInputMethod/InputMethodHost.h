// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneInputMethod/InputMethodFrontend.h"
#include "KeyvanePlatform/HandlerList.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct xkb_keymap;
struct xkb_state;

namespace keyvane {

// The desktop as an input-method framework shows it, for the same coordinator that the X11 host
// drives: the keys of the focused field, one at a time, before the application has them. A word
// is replaced before the key that ended it goes on, so a terminal gets the corrected line. The
// framework's adapter feeds it focus, keys and layout changes, and carries out the one thing a
// key can ask of it: hold the key until the replacement is committed, then send it on.
class InputMethodHost : public PlatformServices {
public:
    // The three layouts an input-method host types with, in this order: us, ru and ua.
    static const std::vector<KeyboardLayout>& defaultLayouts();
    // The three, each with the variant of the first of the user's XKB layouts ("ru+phonetic",
    // "us") that is of it; the others are left out.
    static std::vector<KeyboardLayout> layoutsFor(const std::vector<std::string>& userLayouts);

    // Types with `layouts`: the three, in the order of defaultLayouts(), with any variants.
    explicit InputMethodHost(InputMethodFrontend& frontend,
                             std::vector<KeyboardLayout> layouts = defaultLayouts());
    const std::vector<KeyboardLayout>& layouts() const { return layouts_; }
    // Whether the key (evdev code) is a modifier, which types nothing and moves nothing.
    bool isModifierKey(std::uint16_t keyCode) const;
    ~InputMethodHost() override;

    // A field took the focus: what it is (ordinary, password, or unknown where the program tells
    // nothing, as an X program through XIM), and the program it belongs to (empty when the
    // framework does not name it).
    void focusIn(FocusedField field, const std::string& program);
    // The focused field's kind changed without a focus change (its capabilities were told anew).
    void fieldChanged(FocusedField field);
    void focusOut();
    // The cursor moved or the field's text changed out of the keys' sight (a click, a reset).
    void reset();
    void layoutChanged();

    enum class KeyVerdict {
        pass, // let the key go on as it is
        hold, // the word before it was replaced: send the key on after the replacement
    };
    // A key press (evdev code, modifiers held) in the focused field.
    KeyVerdict keyPressed(std::uint16_t keyCode, ModifierFlags modifiers);

    // PlatformServices
    double now() override { return frontend_.now(); }
    // The framework's timers cannot be taken back: a cancelled step does nothing when it is due.
    Registration schedule(double delaySeconds, std::function<void()> step) override {
        CancellableStep cancellable = Scheduler::cancellable(std::move(step));
        frontend_.schedule(delaySeconds, std::move(cancellable.run));
        return std::move(cancellable.handle);
    }
    std::optional<MonitorHandle> addGlobalKeyMonitor(KeyHandler handler) override;
    void removeKeyMonitor(MonitorHandle handle) override;
    std::optional<std::vector<KeyboardLayout>> enabledLayouts() override { return layouts_; }
    std::vector<LayoutKeyMaps> keyMapsBetweenLayouts() override;
    std::optional<KeyboardLayout> currentLayout() override;
    int selectLayout(const KeyboardLayout& layout) override;
    Registration onLayoutChanged(std::function<void()> handler) override {
        return layoutHandlers_.add(std::move(handler));
    }
    std::optional<std::string> translateKey(const KeyboardLayout& layout, std::uint16_t keyCode,
                                            ModifierFlags modifiers) override;
    void postKeyEvent(const SyntheticKeyEvent& event) override;
    bool replacesBeforeTheEndingKey() override { return true; }
    bool replaceBeforeCursor(const std::string& typed, const std::string& text) override;
    std::optional<std::string> selectedText() override;
    bool replaceSelection(const std::string& text) override;
    std::optional<std::vector<std::string>> beginHoldingKeys(const std::optional<KeyboardLayout>&) override {
        return std::vector<std::string>{};
    }
    void endHoldingKeys() override {}
    Registration onPointerButton(std::function<void()> handler) override {
        return resetHandlers_.add(std::move(handler));
    }
    Registration onFocusChanged(std::function<void()> handler) override {
        return focusHandlers_.add(std::move(handler));
    }
    bool keyboardGrabbedElsewhere() override { return false; }
    FocusedField focusedField() override { return field_; }
    std::optional<FrontmostApplication> frontmostApplication() override;
    Registration onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) override {
        return activationHandlers_.add(std::move(handler));
    }
    void openURL(const std::string& /*url*/) override {}
    bool registerHotkey(int /*id*/, std::uint16_t /*keyCode*/, ModifierFlags /*modifiers*/) override {
        return false;
    }
    void unregisterHotkeys() override {}
    Registration onHotkey(std::function<void(int id)> /*handler*/) override { return Registration(); }
    ClipboardContents clipboardContents(ClipboardKind /*kind*/) override { return {}; }
    void setClipboardContents(const ClipboardContents& /*contents*/, ClipboardKind /*kind*/) override {}

private:
    bool fieldIsRead() const { return field_ == FocusedField::ordinary || field_ == FocusedField::unknown; }

    InputMethodFrontend& frontend_;
    struct KeymapDeleter {
        void operator()(xkb_keymap* keymap) const;
    };
    struct StateDeleter {
        void operator()(xkb_state* state) const;
    };
    std::vector<KeyboardLayout> layouts_;
    std::unique_ptr<xkb_keymap, KeymapDeleter> keymap_; // us, ru and ua as groups 0, 1 and 2
    std::unique_ptr<xkb_state, StateDeleter> state_;
    std::optional<KeyHandler> monitor_;
    FocusedField field_ = FocusedField::asking; // until a field says what it is
    std::string program_;
    bool replaced_ = false;   // the key being handled ended a word that was replaced
    bool afterReset_ = false; // the cursor moved, and no key was typed since
    HandlerList<> layoutHandlers_;
    HandlerList<> resetHandlers_;
    HandlerList<> focusHandlers_;
    HandlerList<const FrontmostApplication&> activationHandlers_;
};

} // namespace keyvane
