// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneFcitx5/XimWake.h"
#include "KeyvaneInputMethod/DeliveryOrder.h"
#include "KeyvaneInputMethod/InputMethodFrontend.h"
#include "KeyvaneInputMethod/InputMethodSession.h"

#include <fcitx-utils/event.h>
#include <fcitx/addoninstance.h>
#include <fcitx/instance.h>
#include <list>
#include <memory>
#include <optional>
#include <vector>

namespace keyvane {

// Keyvane inside fcitx5: a module that sees every key of the focused field before the input
// method does, and hands it to the coordinator through an InputMethodHost. A word's ending key is
// held while the word is replaced (deleted through the field's surrounding text or by BackSpace,
// then committed), and sent on after it; the layout follows through fcitx5's own keyboard-us,
// keyboard-ru and keyboard-ua input methods.
class KeyvaneFcitx5Addon : public fcitx::AddonInstance, public InputMethodFrontend {
public:
    explicit KeyvaneFcitx5Addon(fcitx::Instance* instance);
    ~KeyvaneFcitx5Addon() override;

    // InputMethodFrontend, on the focused input context
    double now() override;
    void schedule(double delaySeconds, std::function<void()> step) override;
    std::optional<std::string> textBeforeCursor() override;
    std::optional<std::string> selectedText() override;
    void deleteBeforeCursor(std::size_t characters) override;
    bool deletesExactly(const std::string& text) override;
    void sendBackspace() override;
    void commit(const std::string& text) override;
    std::string currentLayout() override;
    void selectLayout(const std::string& layout) override;

private:
    // How long a commit waits after a key sent to the application, and a key after a commit: long
    // enough for a client to take in the one before (see DeliveryOrder).
    static constexpr double deliveryGap = 0.03;

    void focusIn(fcitx::InputContext* context);
    // A key before fcitx5's input method has it, and after, when none took it.
    void keyBeforeInputMethod(fcitx::KeyEvent& key);
    void keyAfterInputMethod(fcitx::KeyEvent& key);
    void keyPressed(fcitx::KeyEvent& key);
    // A key held while text was on its way, handled now as if it had just been typed.
    void replayKey(const fcitx::TrackableObjectReference<fcitx::InputContext>& context, const fcitx::Key& raw,
                   bool release, int time);
    // Sends a key to the focused field's application, or the context's, in its turn.
    void forward(const fcitx::Key& raw, bool release);
    void sendKey(fcitx::TrackableObjectReference<fcitx::InputContext> context, const fcitx::Key& raw,
                 bool release);
    // After something was sent to the context's client: an XIM client's next request is read.
    void sent(fcitx::InputContext* context);
    // Calls `readable` whenever the descriptor can be read (nothing for -1).
    void watchDescriptor(int descriptor, std::function<void()> readable);

    fcitx::Instance* instance_;
    fcitx::InputContext* focused_ = nullptr;
    std::unique_ptr<InputMethodSession> session_;
    std::vector<std::unique_ptr<fcitx::HandlerTableEntry<fcitx::EventHandler>>> watchers_;
    struct Timer {
        std::unique_ptr<fcitx::EventSourceTime> source;
        bool done = false;
    };
    std::list<Timer> timers_;
    std::vector<std::unique_ptr<fcitx::EventSourceIO>> watches_;
    Timer* running_ = nullptr; // the timer whose step runs now
    DeliveryOrder order_;
    bool replaying_ = false;   // a held key is being handled again
    bool handlingKey_ = false; // within a key event of the focused field
    std::unique_ptr<XimWake> ximWake_;
};

} // namespace keyvane
