// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/HandlerList.h"
#include "KeyvanePlatform/PlatformServices.h"
#include "KeyvanePlatform/atspi/AccessibilityWatcher.h"
#include "KeyvanePlatform/x11/ActiveWindow.h"
#include "KeyvanePlatform/x11/EventQueue.h"
#include "KeyvanePlatform/x11/FocusTracker.h"
#include "KeyvanePlatform/x11/HotkeyGrabs.h"
#include "KeyvanePlatform/x11/KeyHold.h"
#include "KeyvanePlatform/x11/KeyInjector.h"
#include "KeyvanePlatform/x11/XkbKeyboard.h"

#include <QElapsedTimer>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
typedef struct _XDisplay Display;
typedef union _XEvent XEvent;

namespace keyvane {

// The backend behind X11Platform::connect (a header of the backend's own; the rest of the program
// sees only PlatformServices). The desktop of an X11 session: XInput 2 raw key presses on the root window as
// the global key monitor, XKB groups as layouts, xkbcommon for key translation, XTest for synthetic key
// events, _NET_ACTIVE_WINDOW and desktop entries for the frontmost application. Runs inside the
// Qt event loop of the main thread (a QGuiApplication must exist).
class X11Session : public PlatformServices {
public:
    // Nothing when there is no X display with XInput 2.2, XKB and XTEST (no permission to work).
    static std::unique_ptr<X11Session> connect();
    // Whether an X display can be opened at all (checked before any window system is started).
    static bool displayAvailable();
    ~X11Session() override;

    double now() override;
    Registration schedule(double delaySeconds, std::function<void()> step) override;
    std::optional<MonitorHandle> addGlobalKeyMonitor(KeyHandler handler) override;
    void removeKeyMonitor(MonitorHandle handle) override;
    std::optional<std::vector<KeyboardLayout>> enabledLayouts() override;
    std::vector<LayoutKeyMaps> keyMapsBetweenLayouts() override;
    std::optional<KeyboardLayout> currentLayout() override;
    int selectLayout(const KeyboardLayout& source) override;
    std::optional<std::string> translateKey(const KeyboardLayout& source, std::uint16_t keyCode,
                                            ModifierFlags modifiers) override;
    void postKeyEvent(const SyntheticKeyEvent& event) override;
    std::optional<std::vector<std::string>>
    beginHoldingKeys(const std::optional<KeyboardLayout>& readIn) override;
    void erasePosted() override;
    std::optional<LateKeys> catchUpHeldKeys() override;
    void endHoldingKeys() override;
    Registration onPointerButton(std::function<void()> handler) override {
        return pointerHandlers_.add(std::move(handler));
    }
    Registration onPointerPaste(std::function<void()> handler) override {
        return pasteHandlers_.add(std::move(handler));
    }
    Registration onLayoutChanged(std::function<void()> handler) override {
        return layoutHandlers_.add(std::move(handler));
    }
    Registration onFocusChanged(std::function<void()> handler) override {
        return focusHandlers_.add(std::move(handler));
    }
    bool keyboardGrabbedElsewhere() override { return focus_ && focus_->grabbedElsewhere(); }
    bool modifiersHeld() override;
    FocusedField focusedField() override {
        return accessibility_ ? accessibility_->focusedField() : FocusedField::unknown;
    }
    bool tellsFocusedFields() override { return accessibility_ != nullptr; }
    std::optional<FrontmostApplication> frontmostApplication() override;
    Registration onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) override {
        return activationHandlers_.add(std::move(handler));
    }
    void openURL(const std::string& url) override;
    bool registerHotkey(int id, std::uint16_t keyCode, ModifierFlags modifiers) override;
    void unregisterHotkeys() override;
    Registration onHotkey(std::function<void(int id)> handler) override {
        return hotkeyHandlers_.add(std::move(handler));
    }
    ClipboardContents clipboardContents(ClipboardKind kind) override;
    void setClipboardContents(const ClipboardContents& contents, ClipboardKind kind) override;

    // Reads and handles every X event that has arrived (also run whenever the loop goes idle).
    void processEvents();

private:
    X11Session() = default;
    bool open();
    void reloadKeymap();
    // Runs `step` on the loop after `delaySeconds`, unless the session is gone first.
    void later(double delaySeconds, std::function<void()> step);
    void drainSoon();
    void drainDisplay();
    void dispatch(const QueuedEvent& item);
    void handleRawKeyPress(unsigned int xkeycode, int sourceDevice);
    void handleFocusEvent(const QueuedEvent& item);
    // Follows the window with the keyboard focus (its focus events tell of grabs and moves).
    void trackFocus();
    void notifyFocusChanged();
    // Tells the accessibility watcher which process has the window in front.
    void followActiveProcess();
    // The text that raw key presses queued from `from` on put into the focused window, skipping
    // the program's own and those of held devices; nothing when one was an editing key. Read in
    // `readIn` where given, else in the group each was typed in.
    std::optional<std::vector<std::string>>
    textOfQueuedKeys(std::size_t from, unsigned int group, unsigned int mods,
                     std::optional<unsigned int> readIn = std::nullopt);
    bool isOwnShortcut(unsigned int xkeycode, unsigned int mods) const;
    std::optional<unsigned int> currentGroup();
    // Makes every client learn the keyboard group anew, after this program typed or bound keys.
    void retellGroup();
    void tellGroupAnew();

    // The C handles, each released by its own function when the session goes.
    struct Release {
        void operator()(Display* display) const;
    };
    std::unique_ptr<Display, Release> display_;
    QSocketNotifier* notifier_ = nullptr;
    QElapsedTimer clock_;
    int xiOpcode_ = 0;
    int xkbEventBase_ = 0;
    int xtestKeyboard_ = -1;
    int userKeyboard_ = -1; // the device of the user's last key press, XTest aside
    int32_t coreKeyboard_ = -1;
    XkbKeyboard keyboard_; // the keymap, its groups as layouts, key translation
    unsigned int lockedGroup_ = 0;
    unsigned int effectiveMods_ = 0;
    std::map<MonitorHandle, KeyHandler> monitors_;
    MonitorHandle nextHandle_ = 1;
    KeyHold hold_;
    bool serverGrabbed_ = false; // from beginHoldingKeys to erasePosted, catchUpHeldKeys to endHoldingKeys
    bool retellAfterHold_ = false;
    std::optional<unsigned int> holdReadsIn_; // the group keys typed during this hold are read in
    // Made once the display is open.
    std::unique_ptr<KeyInjector> injector_;
    std::unique_ptr<EventQueue> queue_;
    bool processing_ = false;
    HandlerList<const FrontmostApplication&> activationHandlers_;
    HandlerList<> pointerHandlers_;
    HandlerList<> pasteHandlers_;
    HandlerList<> focusHandlers_;
    HandlerList<> layoutHandlers_;
    std::unique_ptr<FocusTracker> focus_;                 // made once the display is open
    std::unique_ptr<ActiveWindow> activeWindow_;          // made once the display is open
    std::unique_ptr<AccessibilityWatcher> accessibility_; // made once the display is open
    HotkeyGrabs hotkeys_;
    HandlerList<int> hotkeyHandlers_;
};

} // namespace keyvane
