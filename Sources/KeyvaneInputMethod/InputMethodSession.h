// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/correction/InputMethodPresence.h"
#include "Keyvane/shortcuts/Shortcut.h"
#include "KeyvaneInputMethod/InputMethodFrontend.h"
#include "KeyvaneInputMethod/InputMethodHost.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <memory>
#include <optional>
#include <string>

namespace keyvane {

class AppState;
class RequestListener;

// What every input-method framework's adapter runs alike: the coordinator and its host, the user's
// undo and conversion shortcuts, the settings files (a change from the settings window, a hand edit
// or another copy is taken up at once), the requests of later launches ("keyvane --pause"), and
// the status the desktop copy's tray shows. The adapter watches the two descriptors on its own
// event loop and says when each can be read.
class InputMethodSession {
public:
    // `framework` names the framework in what a request to show a window is answered ("fcitx5").
    InputMethodSession(InputMethodFrontend& frontend, std::string framework,
                       std::vector<KeyboardLayout> layouts = InputMethodHost::defaultLayouts());
    ~InputMethodSession();
    InputMethodSession(const InputMethodSession&) = delete;
    InputMethodSession& operator=(const InputMethodSession&) = delete;

    // Whether the coordinator runs (it does not without a rules file: the log says so, and every
    // key passes untouched).
    bool running() const { return app_ != nullptr; }
    InputMethodHost& host() { return *host_; }
    AppState* app() { return app_.get(); }

    enum class KeyAction {
        pass,     // the key goes on as it is
        taken,    // the key was one of the user's shortcuts: the application never sees it
        replaced, // the word before it was replaced: the key goes on after the replacement
    };
    // A key press (evdev code, modifiers held) in the focused field.
    KeyAction keyPressed(std::uint16_t keyCode, ModifierFlags modifiers);

    // The descriptor that can be read when a settings file changed (-1: none is watched), and
    // reading it.
    int userFilesDescriptor() const { return inotify_; }
    void readUserFiles();
    // The descriptor of the requests' socket (-1: none), and answering what waits there.
    int requestsDescriptor() const;
    void serveRequests();

    // Tells the desktop copy's tray the language typed with (while a field has the focus) and
    // whether correction is paused, when either changed. Said after the event that changed it,
    // never within: a correction's keys do not wait for a file to be written.
    void publishStatus(bool fieldFocused);

private:
    void watchUserFiles();
    void takeRequests();

    InputMethodFrontend& frontend_;
    std::string framework_;
    std::unique_ptr<InputMethodHost> host_;
    std::unique_ptr<AppState> app_;
    Shortcut undoShortcut_;
    Shortcut convertShortcut_;
    int inotify_ = -1;
    bool reloadPending_ = false;
    std::unique_ptr<RequestListener> requests_;
    std::optional<InputMethodHostStatus> published_;
    bool publishPending_ = false;
    bool fieldFocused_ = false;
};

} // namespace keyvane
