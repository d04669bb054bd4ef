// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/HandlerList.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace keyvane {

// An in-memory desktop for unit tests: settable layouts with simple key tables, a settable
// frontmost application, a clipboard, a record of posted key events and a manual clock.
class FakePlatform : public PlatformServices {
public:
    // Key code → (unshifted, shifted) text, per layout id().
    using KeyTable = std::map<std::uint16_t, std::pair<std::string, std::string>>;

    FakePlatform();

    // Test controls.
    void advance(double seconds); // runs every step that falls due, in time order
    void pressKey(std::uint16_t keyCode, ModifierFlags modifiers = 0,
                  std::optional<std::uint16_t> userData = std::nullopt);
    void pressKey(const KeyDown& press);
    void activate(const FrontmostApplication& app);
    // Another application is in front, but the desktop's notice of the switch has not arrived.
    void bringToFrontUnannounced(const FrontmostApplication& app) { frontmost_ = app; }
    void setLayouts(std::vector<KeyboardLayout> layouts, std::size_t current);
    // The user switches to another of the layouts (or to none of them: an index past the end).
    void switchLayout(std::size_t current);
    void setKeyTable(const std::string& layoutID, KeyTable table) { keyTables_[layoutID] = std::move(table); }
    // Selection takes effect only after this many calls to selectLayout (default 1: at once).
    void setSelectionsNeeded(int count) { selectionsNeeded_ = count; }
    // Key monitors are refused from now on, as where keys cannot be watched.
    void refuseKeyMonitors() { keyMonitorsRefused_ = true; }
    void setEnumerable(bool enumerable) { enumerable_ = enumerable; }

    std::vector<SyntheticKeyEvent> posted;
    std::vector<std::string> selectedLayouts; // the id() of each layout selected, in order
    std::vector<std::string> openedURLs;
    std::size_t pendingSteps() const { return steps_->size(); }

    // The text that the posted events leave in a field that held `initial`.
    std::string typedText(std::string initial = {}) const;

    // PlatformServices
    double now() override { return clock_; }
    Registration schedule(double delaySeconds, std::function<void()> step) override;
    std::optional<MonitorHandle> addGlobalKeyMonitor(KeyHandler handler) override;
    void removeKeyMonitor(MonitorHandle handle) override;
    std::optional<std::vector<KeyboardLayout>> enabledLayouts() override;
    std::vector<LayoutKeyMaps> keyMapsBetweenLayouts() override { return layoutKeyMaps; }
    std::optional<KeyboardLayout> currentLayout() override;
    int selectLayout(const KeyboardLayout& source) override;
    Registration onLayoutChanged(std::function<void()> handler) override {
        return layoutHandlers_.add(std::move(handler));
    }
    std::optional<std::string> translateKey(const KeyboardLayout& source, std::uint16_t keyCode,
                                            ModifierFlags modifiers) override;
    void postKeyEvent(const SyntheticKeyEvent& event) override;
    std::optional<std::vector<std::string>>
    beginHoldingKeys(const std::optional<KeyboardLayout>& readIn) override {
        holding = true;
        ++holds;
        typedAheadReadIn = readIn;
        return typedAhead;
    }
    std::optional<LateKeys> catchUpHeldKeys() override { return lateKeys; }
    void endHoldingKeys() override { holding = false; }
    // What catchUpHeldKeys reports: keys another program typed during the hold.
    std::optional<LateKeys> lateKeys = LateKeys{};
    // What beginHoldingKeys reports; whether keys are held now; how many holds began.
    std::optional<std::vector<std::string>> typedAhead = std::vector<std::string>{};
    std::optional<KeyboardLayout> typedAheadReadIn; // the layout the last hold was asked to read them in
    bool holding = false;
    int holds = 0;
    Registration onPointerButton(std::function<void()> handler) override {
        return pointerHandlers_.add(std::move(handler));
    }
    Registration onPointerPaste(std::function<void()> handler) override {
        return pasteHandlers_.add(std::move(handler));
    }
    Registration onFocusChanged(std::function<void()> handler) override {
        return focusHandlers_.add(std::move(handler));
    }
    bool keyboardGrabbedElsewhere() override { return grabbedElsewhere; }
    bool modifiersHeld() override { return heldModifiers != 0; }
    std::optional<bool> focusedTextIsMultiLine() override { return multiLine; }
    FocusedField focusedField() override { return focusedField_; }
    bool tellsFocusedFields() override { return focusedField_ != FocusedField::unknown; }
    // Test controls: a mouse click, a focus move inside the application, a keyboard grab by
    // another program, what is known of the focused field.
    void click();
    void middleClick(); // pastes the selection
    void moveFocus();
    // The focus moves to a field of this kind (the focus handlers are called).
    void focusField(FocusedField field) {
        focusedField_ = field;
        moveFocus();
    }
    bool grabbedElsewhere = false;
    int frontmostQueries = 0;                 // how often the program asked which application is in front
    std::vector<LayoutKeyMaps> layoutKeyMaps; // what keyMapsBetweenLayouts() answers
    std::optional<bool> multiLine;
    std::optional<FrontmostApplication> frontmostApplication() override {
        ++frontmostQueries;
        return frontmost_;
    }
    Registration onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) override {
        return activationHandlers_.add(std::move(handler));
    }
    void openURL(const std::string& url) override { openedURLs.push_back(url); }
    bool registerHotkey(int id, std::uint16_t keyCode, ModifierFlags modifiers) override;
    void unregisterHotkeys() override { hotkeys.clear(); }
    Registration onHotkey(std::function<void(int id)> handler) override {
        return hotkeyHandlers_.add(std::move(handler));
    }
    // Registered shortcuts: id → (key code, modifiers). Taken: shortcuts another program holds.
    std::map<int, std::pair<std::uint16_t, ModifierFlags>> hotkeys;
    std::vector<std::pair<std::uint16_t, ModifierFlags>> taken;
    // The shortcut's modifiers stay held (heldModifiers) until the test lets them go.
    void pressHotkey(std::uint16_t keyCode, ModifierFlags modifiers);
    ModifierFlags heldModifiers = 0;

    ClipboardContents clipboardContents(ClipboardKind kind) override { return clipboards_[kind]; }
    void setClipboardContents(const ClipboardContents& contents, ClipboardKind kind) override {
        clipboards_[kind] = contents;
    }
    // What the focused field does on copy: the selected text goes to the clipboard.
    std::optional<std::string> selectedText;

    // Layouts for tests: US English, Russian and Ukrainian on the common letter keys.
    static KeyTable usKeys();
    static KeyTable russianKeys();
    static KeyTable ukrainianKeys();
    static std::vector<KeyboardLayout> standardLayouts(); // en, ru, uk

private:
    struct Step {
        double due;
        long long order;
        std::function<void()> run;
    };
    double clock_ = 0;
    long long order_ = 0;
    // Shared with the handles of the steps, which may outlive the fake.
    std::shared_ptr<std::vector<Step>> steps_ = std::make_shared<std::vector<Step>>();
    std::map<MonitorHandle, KeyHandler> monitors_;
    MonitorHandle nextHandle_ = 1;
    std::vector<KeyboardLayout> layouts_;
    std::size_t current_ = 0;
    std::map<std::string, KeyTable> keyTables_;
    int selectionsNeeded_ = 1;
    int selectionCount_ = 0;
    std::optional<std::size_t> pendingSelection_;
    bool keyMonitorsRefused_ = false;
    bool enumerable_ = true;
    std::optional<FrontmostApplication> frontmost_;
    HandlerList<const FrontmostApplication&> activationHandlers_;
    HandlerList<> pointerHandlers_;
    HandlerList<> pasteHandlers_;
    HandlerList<> focusHandlers_;
    HandlerList<> layoutHandlers_;
    FocusedField focusedField_ = FocusedField::ordinary;
    std::map<ClipboardKind, ClipboardContents> clipboards_;
    HandlerList<int> hotkeyHandlers_;
};

} // namespace keyvane
