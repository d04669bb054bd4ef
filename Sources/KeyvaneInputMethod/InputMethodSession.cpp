// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneInputMethod/InputMethodSession.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/InstanceChannel.h"
#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvaneInputMethod/InputMethodHost.h"
#include "KeyvaneInputMethod/RequestListener.h"
#include "KeyvaneInputMethod/SavedShortcut.h"

#include <filesystem>
#include <sys/inotify.h>
#include <unistd.h>

namespace keyvane {

InputMethodSession::InputMethodSession(InputMethodFrontend& frontend, std::string framework,
                                       std::vector<KeyboardLayout> layouts)
    : frontend_(frontend)
    , framework_(std::move(framework))
    , host_(std::make_unique<InputMethodHost>(frontend, std::move(layouts))) {
    DebugLog::switchAtStartup(UserPreferences::load(UserPreferences::defaultPath()).debugLog,
                              CoreLog::logPath());
    app_ = AppState::create(*host_, "keyvane");
    if (!app_) {
        return;
    }
    app_->startObserving();
    undoShortcut_ = SavedShortcut::read("undoShortcut", HotkeyManager::defaultUndo);
    convertShortcut_ = SavedShortcut::read("switchShortcut", HotkeyManager::defaultSwitch);
    watchUserFiles();
    // The X11 host leaves the keys to us from now on; the language follows once known.
    InputMethodPresence::announce(AppPaths::inputMethodHostMarkerPath());
    published_ = InputMethodHostStatus{};
    publishStatus(false);
    app_->onStateChanged = [this] { publishStatus(fieldFocused_); };
    takeRequests();
}

InputMethodSession::~InputMethodSession() {
    if (app_) {
        app_->onStateChanged = nullptr; // nothing is announced once withdrawn
        InputMethodPresence::withdraw(AppPaths::inputMethodHostMarkerPath());
    }
    requests_.reset();
    if (inotify_ >= 0) {
        ::close(inotify_);
    }
    app_.reset(); // before the host it drives
}

InputMethodSession::KeyAction InputMethodSession::keyPressed(std::uint16_t keyCode, ModifierFlags modifiers) {
    if (!app_) {
        return KeyAction::pass;
    }
    const ModifierFlags held =
        modifiers & (Modifier::control | Modifier::shift | Modifier::alt | Modifier::super);
    if (Shortcut{keyCode, held} == undoShortcut_) {
        app_->undoLastCorrection();
        return KeyAction::taken;
    }
    if (Shortcut{keyCode, held} == convertShortcut_) {
        app_->convertSelection();
        return KeyAction::taken;
    }
    return host_->keyPressed(keyCode, modifiers) == InputMethodHost::KeyVerdict::hold ? KeyAction::replaced
                                                                                      : KeyAction::pass;
}

void InputMethodSession::watchUserFiles() {
    const std::string directory = AppPaths::appSupportDir();
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    // Files are saved whole under a temporary name and renamed into place.
    if (inotify_ < 0 ||
        inotify_add_watch(inotify_, directory.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE) < 0) {
        appLog("[Keyvane] Cannot watch " + directory + ": settings changes are taken up at the next start");
        if (inotify_ >= 0) {
            ::close(inotify_);
            inotify_ = -1;
        }
    }
}

void InputMethodSession::readUserFiles() {
    alignas(inotify_event) char buffer[4096];
    bool ours = false;
    ssize_t size = 0;
    while ((size = ::read(inotify_, buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + size;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            const std::string name = event->len > 0 ? event->name : "";
            ours = ours || name == "user_preferences.json" || name == "manual_overrides.json";
            at += sizeof(inotify_event) + event->len;
        }
    }
    if (ours && !reloadPending_ && app_) {
        reloadPending_ = true; // a save is often several events: one reload for them all
        frontend_.schedule(0.05, [this] {
            reloadPending_ = false;
            app_->reloadConfig();
        });
    }
}

void InputMethodSession::takeRequests() {
    std::string error;
    if (auto path = InstanceChannel::inputMethodSocketPath(&error)) {
        requests_ = RequestListener::listen(*path, &error);
    }
    if (!requests_) {
        appLog("[Keyvane] Cannot take requests (" + error +
               "): keyvane --pause and --resume will not reach " + framework_);
    }
}

int InputMethodSession::requestsDescriptor() const {
    return requests_ ? requests_->descriptor() : -1;
}

void InputMethodSession::serveRequests() {
    if (!requests_) {
        return;
    }
    requests_->serve([this](const std::string& line) -> std::string {
        if (line == "activate") {
            return "Keyvane corrects inside " + framework_ + "; it has no window there yet.";
        }
        const std::optional<InstanceCommand> command = InstanceCommand::fromLine(line);
        return command ? command->applyTo(*app_) : "Error: unknown request";
    });
}

void InputMethodSession::publishStatus(bool fieldFocused) {
    fieldFocused_ = fieldFocused;
    if (publishPending_ || !app_) {
        return;
    }
    publishPending_ = true;
    frontend_.schedule(0, [this] {
        publishPending_ = false;
        InputMethodHostStatus status;
        if (published_) {
            status.layoutLanguage = published_->layoutLanguage; // while no field has the focus
        }
        if (fieldFocused_) {
            const std::optional<KeyboardLayout> layout = host_->currentLayout();
            status.layoutLanguage = layout && layout->language ? toString(*layout->language) : "";
        }
        status.paused = app_->isPaused();
        if (!published_ || published_->layoutLanguage != status.layoutLanguage ||
            published_->paused != status.paused) {
            InputMethodPresence::announce(AppPaths::inputMethodHostMarkerPath(), status);
            published_ = status;
        }
    });
}

} // namespace keyvane
