// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneFcitx5/KeyvaneFcitx5Addon.h"

#include "KeyvaneInputMethod/InputMethodHost.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcitx-utils/capabilityflags.h>
#include <fcitx-utils/utf8.h>
#include <fcitx/addonfactory.h>
#include <fcitx/addonmanager.h>
#include <fcitx/event.h>
#include <fcitx/inputcontext.h>

namespace keyvane {
namespace {

// fcitx5's keyboard input methods are named after the XKB layout they type with.
const std::string keyboardPrefix = "keyboard-";

ModifierFlags modifiersOf(fcitx::KeyStates states) {
    ModifierFlags flags = 0;
    if (states.test(fcitx::KeyState::Shift)) {
        flags |= Modifier::shift;
    }
    if (states.test(fcitx::KeyState::CapsLock)) {
        flags |= Modifier::capsLock;
    }
    if (states.test(fcitx::KeyState::Ctrl)) {
        flags |= Modifier::control;
    }
    if (states.test(fcitx::KeyState::Alt)) {
        flags |= Modifier::alt;
    }
    if (states.test(fcitx::KeyState::Super)) {
        flags |= Modifier::super;
    }
    if (states.test(fcitx::KeyState::Mod5)) {
        flags |= Modifier::level3;
    }
    return flags;
}

// Whether fcitx5 itself commits the key as text (or swallows it) in the phase after the input
// methods: it does so for a key that its keyboard-xx layout reads otherwise than the system's.
bool typedAsText(const fcitx::KeyEvent& key) {
    if (key.rawKey().sym() == key.origKey().sym() || key.key().states().test(fcitx::KeyState::Ctrl)) {
        return false;
    }
    const std::uint32_t character = fcitx::Key::keySymToUnicode(key.key().sym());
    if (character == '\n' || character == '\b' || character == '\r' || character == '\033' ||
        character == 0x7f) {
        return false;
    }
    return character != 0 || fcitx::Key::keySymToUnicode(key.origKey().sym()) != 0;
}

bool isXimField(const fcitx::InputContext* context) {
    return std::string(context->frontend()) == "xim";
}

// An X program through XIM tells nothing of its fields, a password field included: the user's
// "skip where fields cannot be told" decides there, as on the X11 host.
FocusedField fieldOf(const fcitx::InputContext* context) {
    if (context->capabilityFlags().testAny(
            fcitx::CapabilityFlags(fcitx::CapabilityFlag::PasswordOrSensitive))) {
        return FocusedField::password;
    }
    return isXimField(context) ? FocusedField::unknown : FocusedField::ordinary;
}

} // namespace

KeyvaneFcitx5Addon::KeyvaneFcitx5Addon(fcitx::Instance* instance)
    : instance_(instance)
    , order_([this] { return now(); },
             [this](double delay, std::function<void()> step) { schedule(delay, std::move(step)); },
             deliveryGap) {
    session_ = std::make_unique<InputMethodSession>(*this, "fcitx5");
    if (!session_->running()) {
        return; // no rules file: the log says so, and keys pass untouched
    }
    ximWake_ = std::make_unique<XimWake>(instance_->addonManager().addon("xcb"));
    watchDescriptor(session_->userFilesDescriptor(), [this] { session_->readUserFiles(); });
    watchDescriptor(session_->requestsDescriptor(), [this] { session_->serveRequests(); });

    watchers_.push_back(instance_->watchEvent(
        fcitx::EventType::InputContextKeyEvent, fcitx::EventWatcherPhase::PreInputMethod,
        [this](fcitx::Event& event) { keyBeforeInputMethod(static_cast<fcitx::KeyEvent&>(event)); }));
    watchers_.push_back(instance_->watchEvent(
        fcitx::EventType::InputContextKeyEvent, fcitx::EventWatcherPhase::PostInputMethod,
        [this](fcitx::Event& event) { keyAfterInputMethod(static_cast<fcitx::KeyEvent&>(event)); }));
    watchers_.push_back(
        instance_->watchEvent(fcitx::EventType::InputContextFocusIn, fcitx::EventWatcherPhase::PreInputMethod,
                              [this](fcitx::Event& event) {
                                  focusIn(static_cast<fcitx::InputContextEvent&>(event).inputContext());
                              }));
    // What happens to the focused input context only.
    auto onFocused = [this](fcitx::EventType type, std::function<void(fcitx::InputContext*)> then) {
        watchers_.push_back(instance_->watchEvent(
            type, fcitx::EventWatcherPhase::PreInputMethod,
            [this, then = std::move(then)](fcitx::Event& event) {
                fcitx::InputContext* context = static_cast<fcitx::InputContextEvent&>(event).inputContext();
                if (context == focused_) {
                    then(context);
                }
            }));
    };
    // The field may become a password field, or give its surrounding text from now on.
    onFocused(fcitx::EventType::InputContextCapabilityChanged, [this](fcitx::InputContext* context) {
        order_.setFieldTells(context->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText));
        session_->host().fieldChanged(fieldOf(context));
    });
    onFocused(fcitx::EventType::InputContextFocusOut, [this](fcitx::InputContext*) {
        order_.flush(); // what waits still goes to the field it was meant for
        focused_ = nullptr;
        session_->host().focusOut();
        session_->publishStatus(false);
    });
    onFocused(fcitx::EventType::InputContextDestroyed, [this](fcitx::InputContext*) {
        order_.clear();
        focused_ = nullptr;
        session_->host().focusOut();
    });
    onFocused(fcitx::EventType::InputContextSurroundingTextUpdated,
              [this](fcitx::InputContext*) { order_.fieldTold(); });
    // A click or a cursor move: the word being typed is forgotten.
    onFocused(fcitx::EventType::InputContextReset,
              [this](fcitx::InputContext*) { session_->host().reset(); });
    watchers_.push_back(instance_->watchEvent(fcitx::EventType::InputContextSwitchInputMethod,
                                              fcitx::EventWatcherPhase::PostInputMethod,
                                              [this](fcitx::Event&) {
                                                  session_->host().layoutChanged();
                                                  session_->publishStatus(focused_ != nullptr);
                                              }));
}

KeyvaneFcitx5Addon::~KeyvaneFcitx5Addon() {
    watches_.clear();
    session_.reset();
}

void KeyvaneFcitx5Addon::watchDescriptor(int descriptor, std::function<void()> readable) {
    if (descriptor < 0) {
        return;
    }
    watches_.push_back(instance_->eventLoop().addIOEvent(
        descriptor, fcitx::IOEventFlag::In,
        [readable = std::move(readable)](fcitx::EventSourceIO*, int, fcitx::IOEventFlags) {
            readable();
            return true;
        }));
}

void KeyvaneFcitx5Addon::keyBeforeInputMethod(fcitx::KeyEvent& key) {
    fcitx::InputContext* context = key.inputContext();
    if (context != focused_) {
        return;
    }
    if (!replaying_ && (order_.busy() || order_.mustWait(DeliveryOrder::Way::replay))) {
        // Text or keys on their way to the field wait for their turn, and so does this key (and, for
        // a client that takes one message at a time, one that comes too soon after the last).
        key.filterAndAccept();
        order_.send(DeliveryOrder::Way::replay,
                    [this, context = context->watch(), raw = key.origKey(), release = key.isRelease(),
                     time = key.time()] { replayKey(context, raw, release, time); });
        return;
    }
    if (!key.isRelease()) {
        handlingKey_ = true;
        keyPressed(key);
        handlingKey_ = false;
    }
}

void KeyvaneFcitx5Addon::keyAfterInputMethod(fcitx::KeyEvent& key) {
    // A key that no input method took goes on to the application as a key, unless fcitx5 types it
    // as text itself, as it does right after this phase for the keys of a layout other than the
    // system's.
    if (key.inputContext() != focused_ || replaying_ || typedAsText(key)) {
        return; // a replayed key is sent on by replayKey
    }
    const auto way = key.isRelease() ? DeliveryOrder::Way::release : DeliveryOrder::Way::key;
    if (order_.busy() || order_.mustWait(way)) {
        key.filterAndAccept();
        forward(key.origKey(), key.isRelease());
    } else {
        order_.went(way);
    }
}

void KeyvaneFcitx5Addon::keyPressed(fcitx::KeyEvent& key) {
    const fcitx::Key raw = key.rawKey();
    if (raw.code() < 8) {
        return;
    }
    const auto keyCode = static_cast<std::uint16_t>(raw.code() - 8);
    const InputMethodSession::KeyAction action = session_->keyPressed(keyCode, modifiersOf(raw.states()));
    if (action == InputMethodSession::KeyAction::taken) {
        key.filterAndAccept(); // the shortcut is ours: the application never sees it
        return;
    }
    if (action == InputMethodSession::KeyAction::replaced) {
        // The word before it was replaced: the key follows the committed text. A space is committed
        // as text, on the very way the word went; Return and Tab are sent on as keys.
        key.filterAndAccept();
        if (raw.sym() == FcitxKey_space &&
            !raw.states().testAny(fcitx::KeyStates(fcitx::KeyState::Ctrl_Alt))) {
            commit(" ");
        } else {
            forward(raw, false);
        }
    }
}

void KeyvaneFcitx5Addon::replayKey(const fcitx::TrackableObjectReference<fcitx::InputContext>& context,
                                   const fcitx::Key& raw, bool release, int time) {
    fcitx::InputContext* target = context.get();
    if (target == nullptr) {
        return;
    }
    fcitx::KeyEvent event(target, raw, release, time);
    replaying_ = true;
    const bool taken = target->keyEvent(event);
    replaying_ = false;
    sent(target); // fcitx5 may have committed what the key types
    if (!taken) {
        // Nobody took it: it goes to the application, as it would have when it was typed.
        sendKey(context, raw, release);
    }
}

void KeyvaneFcitx5Addon::forward(const fcitx::Key& raw, bool release) {
    if (focused_ != nullptr) {
        sendKey(focused_->watch(), raw, release);
    }
}

void KeyvaneFcitx5Addon::sendKey(fcitx::TrackableObjectReference<fcitx::InputContext> context,
                                 const fcitx::Key& raw, bool release) {
    order_.send(release ? DeliveryOrder::Way::release : DeliveryOrder::Way::key,
                [this, context = std::move(context), raw, release] {
                    if (fcitx::InputContext* target = context.get()) {
                        target->forwardKey(raw, release);
                        sent(target);
                    }
                });
}

void KeyvaneFcitx5Addon::sent(fcitx::InputContext* context) {
    if (std::string(context->frontend()) == "xim") {
        ximWake_->wake();
    }
}

void KeyvaneFcitx5Addon::focusIn(fcitx::InputContext* context) {
    focused_ = context;
    order_.setFieldTells(context->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText));
    // An X client reading keys through XIM sends what comes together back to fcitx5 as if typed
    // (libX11 marks only one event at a time as the input method's).
    order_.setSpacing(isXimField(context) ? deliveryGap : 0);
    session_->host().focusIn(fieldOf(context), context->program());
    session_->publishStatus(true); // fcitx5 may keep an input method per application
}

double KeyvaneFcitx5Addon::now() {
    return static_cast<double>(fcitx::now(CLOCK_MONOTONIC)) / 1e6;
}

void KeyvaneFcitx5Addon::schedule(double delaySeconds, std::function<void()> step) {
    // Spent timers are let go here, never from within their own call.
    timers_.remove_if([this](const Timer& timer) { return timer.done && &timer != running_; });
    const auto at = fcitx::now(CLOCK_MONOTONIC) + static_cast<std::uint64_t>(delaySeconds * 1e6);
    timers_.emplace_back();
    Timer* timer = &timers_.back();
    timer->source = instance_->eventLoop().addTimeEvent(
        CLOCK_MONOTONIC, at, 1000,
        [this, timer, step = std::move(step)](fcitx::EventSourceTime*, std::uint64_t) {
            timer->done = true;
            Timer* outer = running_;
            running_ = timer;
            step();
            running_ = outer;
            return true;
        });
}

std::optional<std::string> KeyvaneFcitx5Addon::textBeforeCursor() {
    if (focused_ == nullptr || !focused_->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText)) {
        return std::nullopt;
    }
    const fcitx::SurroundingText& surrounding = focused_->surroundingText();
    if (!surrounding.isValid()) {
        return std::nullopt;
    }
    const std::string& text = surrounding.text();
    const std::size_t length = fcitx::utf8::length(text);
    const std::size_t cursor = std::min<std::size_t>(surrounding.cursor(), length);
    return text.substr(0, static_cast<std::size_t>(fcitx::utf8::ncharByteLength(text.begin(), cursor)));
}

std::optional<std::string> KeyvaneFcitx5Addon::selectedText() {
    if (focused_ == nullptr || !focused_->capabilityFlags().test(fcitx::CapabilityFlag::SurroundingText) ||
        !focused_->surroundingText().isValid()) {
        return std::nullopt;
    }
    return focused_->surroundingText().selectedText();
}

void KeyvaneFcitx5Addon::deleteBeforeCursor(std::size_t characters) {
    if (focused_ != nullptr) {
        if (handlingKey_ && std::string(focused_->frontend()) == "dbus") {
            order_.later();
        }
        order_.send(DeliveryOrder::Way::text, [context = focused_->watch(), characters] {
            if (fcitx::InputContext* target = context.get()) {
                target->deleteSurroundingText(-static_cast<int>(characters),
                                              static_cast<unsigned int>(characters));
            }
        });
    }
}

bool KeyvaneFcitx5Addon::deletesExactly(const std::string& text) {
    // text-input-v3 counts the text to delete in bytes, and GTK 4.8 takes the count for characters:
    // "руддщ" (ten bytes) took the five characters before it along. Text of one byte a character
    // counts the same either way.
    const bool textInputV3 = focused_ != nullptr && std::string(focused_->frontend()) == "wayland_v2";
    return !textInputV3 ||
           std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void KeyvaneFcitx5Addon::sendBackspace() {
    const fcitx::Key backspace(FcitxKey_BackSpace);
    forward(backspace, false);
    if (focused_ != nullptr && std::string(focused_->frontend()) != "xim") {
        forward(backspace, true); // an XIM client acts on presses only: one message fewer
    }
}

void KeyvaneFcitx5Addon::commit(const std::string& text) {
    if (focused_ != nullptr) {
        order_.send(DeliveryOrder::Way::text, [this, context = focused_->watch(), text] {
            if (fcitx::InputContext* target = context.get()) {
                target->commitString(text);
                sent(target);
            }
        });
    }
}

std::string KeyvaneFcitx5Addon::currentLayout() {
    if (focused_ == nullptr) {
        return {};
    }
    const std::string method = instance_->inputMethod(focused_);
    return method.rfind(keyboardPrefix, 0) == 0 ? method.substr(keyboardPrefix.size()) : std::string();
}

void KeyvaneFcitx5Addon::selectLayout(const std::string& layout) {
    if (focused_ != nullptr) {
        instance_->setCurrentInputMethod(focused_, keyboardPrefix + layout, true);
    }
}

class KeyvaneFcitx5AddonFactory : public fcitx::AddonFactory {
public:
    fcitx::AddonInstance* create(fcitx::AddonManager* manager) override {
        return new KeyvaneFcitx5Addon(manager->instance());
    }
};

} // namespace keyvane

FCITX_ADDON_FACTORY(keyvane::KeyvaneFcitx5AddonFactory);
