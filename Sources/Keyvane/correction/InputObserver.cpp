// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/InputObserver.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/Models.h"
#include "KeyvaneCore/UnicodeText.h"

namespace keyvane {
namespace {

// Cursor and editing keys that type nothing: the caret moves or text changes out of sight.
bool isCursorOrEditingKey(std::uint16_t keyCode) {
    switch (keyCode) {
    case KeyCode::left:
    case KeyCode::right:
    case KeyCode::down:
    case KeyCode::up:
    case KeyCode::home:
    case KeyCode::end:
    case KeyCode::pageUp:
    case KeyCode::pageDown:
    case KeyCode::deleteKey:
    case KeyCode::insert: return true;
    default: return false;
    }
}

} // namespace

InputObserver::InputObserver(PlatformServices& platform, EmitCallback onEmit)
    : platform_(platform)
    , tokenBuffer_(std::make_shared<TokenBuffer>(std::move(onEmit))) {
    auto forget = [this] {
        tokenBuffer_->process(TokenEvent::reset());
        if (*onContextLost_) {
            (*onContextLost_)();
        }
    };
    registrations_.push_back(
        platform_.onApplicationActivated([forget](const FrontmostApplication&) { forget(); }));
    registrations_.push_back(platform_.onPointerButton(forget));
    // Text pasted with the pointer lands before the cursor: the letters typed next continue it.
    registrations_.push_back(platform_.onPointerPaste([this] { *midWordUnread_ = true; }));
    registrations_.push_back(platform_.onFocusChanged(forget));
}

InputObserver::~InputObserver() {
    stop();
}

void InputObserver::start() {
    if (globalMonitor_) {
        return;
    }
    globalMonitor_ = platform_.addGlobalKeyMonitor([this](const KeyDown& press) { handleKeyEvent(press); });
    appLog(globalMonitor_ ? "[Keyvane] Input observer started (global monitor)."
                          : "[Keyvane] Failed to install global key monitor: the X server offers no XInput "
                            "2.2 key events.");
}

void InputObserver::stop() {
    if (globalMonitor_) {
        platform_.removeKeyMonitor(*globalMonitor_);
        globalMonitor_.reset();
    }
    tokenBuffer_->process(TokenEvent::reset());
}

std::string InputObserver::typedBeforeCursor() const {
    std::string text;
    for (const std::string& c : line_) {
        text += c;
    }
    return text;
}

void InputObserver::replaceTypedTail(std::size_t erasedCharacters, const std::string& typed) {
    if (erasedCharacters > line_.size()) {
        line_.clear(); // it erased more than was followed: what is left is unknown
        return;
    }
    line_.resize(line_.size() - erasedCharacters);
    for (const std::string& c : UnicodeText::graphemes(typed)) {
        line_.push_back(c);
    }
    if (line_.size() > lineLimit) {
        line_.erase(line_.begin(), line_.end() - static_cast<std::ptrdiff_t>(lineLimit));
    }
}

void InputObserver::loseContext() {
    line_.clear();
    tokenBuffer_->process(TokenEvent::reset());
    if (*onContextLost_) {
        (*onContextLost_)();
    }
}

void InputObserver::handleKeyEvent(const KeyDown& press) {
    if (press.userData == syntheticEventMarker || press.ownShortcut) {
        return;
    }
    if (platform_.keyboardGrabbedElsewhere()) {
        // Another program has the keyboard (a locker, a secure terminal): its keys are not ours to read.
        loseContext();
        return;
    }
    const bool endsAWord =
        press.keyCode == KeyCode::space || press.keyCode == KeyCode::tab || press.keyCode == KeyCode::enter;
    if (keysOffLimits_ && keysOffLimits_()) {
        loseContext(); // nothing typed there is kept, not even the word before it
        // A key of a word went unread: the rest of that word is no word to correct ("ghb" unread,
        // "dtn" would become "вет"), whatever is known once it is typed.
        *midWordUnread_ = !endsAWord;
        return;
    }
    if (*midWordUnread_) {
        if (endsAWord) {
            *midWordUnread_ = false;
        }
        loseContext();
        return;
    }
    if (onUserKey_) {
        onUserKey_();
    }
    // A paste puts text before the cursor that was never typed: the letters typed next continue it
    // ("ghb", a paste of "XYZ", "dtn" is no word "dtn").
    const bool pastes = (press.shortcutHeld() && press.keyCode == KeyCode::v) ||
                        (press.keyCode == KeyCode::insert && (press.modifiers & Modifier::shift) != 0);
    if (pastes) {
        loseContext();
        *midWordUnread_ = true;
        return;
    }
    if (press.shortcutHeld() || press.altHeld()) {
        loseContext(); // a shortcut may cut, undo or move the cursor
        return;
    }
    const ModifierFlags modifiers =
        press.modifiers & (Modifier::shift | Modifier::capsLock | Modifier::level3);
    auto event = mapToTokenEvent(press.keyCode, modifiers);
    if (!event) {
        return;
    }
    if (DebugLog::isEnabled()) {
        appLog("[Keyvane] Event: " + describe(*event));
    }
    const bool erasesBeforeTheWord =
        event->kind == TokenEvent::Kind::backspace && tokenBuffer_->current().empty();
    if (event->kind == TokenEvent::Kind::reset || erasesBeforeTheWord) {
        loseContext();
        return;
    }
    switch (event->kind) {
    case TokenEvent::Kind::character: replaceTypedTail(0, event->character); break;
    case TokenEvent::Kind::backspace:
        if (!line_.empty()) {
            line_.pop_back();
        }
        break;
    case TokenEvent::Kind::boundary:
        if (event->boundary.kind == BoundaryType::Kind::enter) {
            line_.clear(); // a new line begins
        } else {
            replaceTypedTail(0, event->boundary.text());
        }
        break;
    case TokenEvent::Kind::reset: break;
    }
    tokenBuffer_->process(*event);
    const bool endsLine =
        event->kind == TokenEvent::Kind::boundary && (event->boundary.kind == BoundaryType::Kind::enter ||
                                                      event->boundary.kind == BoundaryType::Kind::tab);
    if (endsLine && onLineEnd_) {
        onLineEnd_();
    }
}

std::optional<TokenEvent> InputObserver::mapToTokenEvent(std::uint16_t keyCode, ModifierFlags modifiers) {
    switch (keyCode) {
    case KeyCode::enter: return TokenEvent::boundaryEvent(BoundaryType::enter());
    case KeyCode::tab: return TokenEvent::boundaryEvent(BoundaryType::tab());
    case KeyCode::space: return TokenEvent::boundaryEvent(BoundaryType::space());
    case KeyCode::backspace: return TokenEvent::backspace();
    case KeyCode::escape: return TokenEvent::reset();
    default: break;
    }
    if (isCursorOrEditingKey(keyCode)) {
        return TokenEvent::reset();
    }
    auto c = currentLayoutCharacter(keyCode, modifiers);
    if (!c) {
        // A key that types nothing here (a function key, a dead key): what it does is unknown.
        return TokenEvent::reset();
    }
    // Everything up to the next space belongs to the word, punctuation included: "ldflwfnm?" is
    // "двадцать," typed on the wrong layout, and the engine renders it key for key.
    if (UnicodeText::isWhitespace(*c) || UnicodeText::firstCodePoint(*c) < 0x20 || *c == "\x7f") {
        return TokenEvent::reset();
    }
    return TokenEvent::characterEvent(*c);
}

std::optional<std::string> InputObserver::currentLayoutCharacter(std::uint16_t keyCode,
                                                                 ModifierFlags modifiers) {
    auto source = platform_.currentLayout();
    if (!source) {
        return std::nullopt;
    }
    auto text = platform_.translateKey(*source, keyCode, modifiers);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return UnicodeText::firstGrapheme(*text);
}

std::string InputObserver::describe(const TokenEvent& event) {
    switch (event.kind) {
    case TokenEvent::Kind::character: return "character(\"" + event.character + "\")";
    case TokenEvent::Kind::boundary:
        return event.boundary.kind == BoundaryType::Kind::punctuation
                   ? "boundary(punctuation(\"" + event.boundary.punctuation + "\"))"
                   : std::string("boundary(") + toString(event.boundary.kind) + ")";
    case TokenEvent::Kind::backspace: return "backspace";
    case TokenEvent::Kind::reset: return "reset";
    }
    return "reset";
}

} // namespace keyvane
