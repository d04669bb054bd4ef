// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneInputMethod/DeliveryOrder.h"
#include "KeyvaneInputMethod/InputMethodFrontend.h"
#include "KeyvaneInputMethod/InputMethodSession.h"

#include <ibus.h>
#include <memory>
#include <set>
#include <string>

namespace keyvane {

// Keyvane as one IBus input source: it types the English, Russian and Ukrainian layouts itself
// (IBus gives an engine the keys, not a layout of its own) and corrects what is typed with them.
// IBus makes an engine object for every input context; they all hand their signals to this one,
// which works on the context that has the focus. The panel shows the layout's language ("EN",
// "RU", "UA"); the user's group-switch key (an XKB option such as Alt+Shift) and a click on it
// choose the next one.
class KeyvaneIBusEngine : public InputMethodFrontend {
public:
    // The property the panel shows the layout with.
    static constexpr const char* layoutProperty = "keyvane-layout";

    KeyvaneIBusEngine();
    ~KeyvaneIBusEngine() override;
    KeyvaneIBusEngine(const KeyvaneIBusEngine&) = delete;
    KeyvaneIBusEngine& operator=(const KeyvaneIBusEngine&) = delete;

    // From the engine objects. `client` is IBus's name for the kind of program ("gtk3-im:gedit",
    // "xim", "gnome-shell", "QIBusInputContext", …).
    void enable(IBusEngine* engine);
    void focusIn(IBusEngine* engine, const std::string& client);
    void focusOut(IBusEngine* engine);
    void reset(IBusEngine* engine);
    void contentTypeChanged(IBusEngine* engine);
    void surroundingTextChanged(IBusEngine* engine);
    // True when the key was taken (typed as text, or acted on); false lets it go on as it is.
    bool keyEvent(IBusEngine* engine, unsigned int keyval, unsigned int keycode, unsigned int state);
    void propertyActivated(IBusEngine* engine, const std::string& name);
    void engineGone(IBusEngine* engine);

    // InputMethodFrontend, on the focused context
    double now() override;
    void schedule(double delaySeconds, std::function<void()> step) override;
    std::optional<std::string> textBeforeCursor() override;
    std::optional<std::string> selectedText() override;
    void deleteBeforeCursor(std::size_t characters) override;
    bool deletesExactly(const std::string& text) override;
    void sendBackspace() override;
    void commit(const std::string& text) override;
    std::string currentLayout() override { return layout_; }
    void selectLayout(const std::string& layout) override;

private:
    // How long a commit waits after a key sent to the application, and a key after a commit: GTK's
    // IBus module puts a forwarded key back in the toolkit's event queue but applies a commit at
    // once (see DeliveryOrder).
    static constexpr double deliveryGap = 0.03;

    // A key press, handled now: true when it was taken.
    bool keyPressed(unsigned int keyval, unsigned int keycode, unsigned int state);
    // A key held while text was on its way, handled now as if it had just been typed.
    void replayKey(IBusEngine* engine, unsigned int keyval, unsigned int keycode, unsigned int state);
    // Commits the text joined while a key was handled, as one.
    void sendJoined();
    // Sends a key on to the application, in its turn: one of the engine's own (a BackSpace that
    // erases a word), or the user's.
    void sendKey(unsigned int keyval, unsigned int keycode, unsigned int state, bool own);
    FocusedField fieldOf(IBusEngine* engine) const;
    // The focused field's text and the cursor and selection in characters (GNOME Shell tells the
    // cursor in bytes).
    struct Surrounding {
        std::string text;
        std::size_t cursor = 0;
        std::size_t anchor = 0;
    };
    std::optional<Surrounding> surrounding();
    void showLayout(IBusEngine* engine);
    void watch(int descriptor, std::function<void()> readable);

    std::unique_ptr<InputMethodSession> session_;
    DeliveryOrder order_;
    bool replaying_ = false; // a held key is being handled again
    bool joining_ = false;   // while a key is handled, commits are joined into one text
    std::string joined_;
    // BackSpace keys sent to the field whose reset of the input method is still to come, and when
    // the last went.
    int ownResets_ = 0;
    double lastOwnKeyAt_ = 0;
    static constexpr double ownResetWindow = 0.5;
    IBusEngine* focused_ = nullptr;
    std::string client_;
    std::string layout_ = "us";
    std::set<unsigned int> takenPresses_; // key codes whose press was taken: their release is too
    std::vector<unsigned int> sources_;   // GLib sources of the watched descriptors
};

} // namespace keyvane
