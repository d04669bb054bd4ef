#include "InputObserver.h"

#include "AppLog.h"
#include "Models.h"
#include "UnicodeText.h"

namespace keyvane {
namespace {

// Keys that type Cyrillic letters on the Russian and Ukrainian layouts: inside a word even when
// the Latin layout makes them punctuation.
const StringSet& layoutMappedPunctuation() {
    static const StringSet set = {"[", "]", ";", "'", ",", ".", "`"};
    return set;
}

// Punctuation that ends a word and travels with it as its boundary.
const StringSet& boundaryPunctuation() {
    static const StringSet set = {"!", "?", ":", "(", ")", "{", "}", "/", "\\", "\"", "_"};
    return set;
}

} // namespace

InputObserver::InputObserver(PlatformServices& platform, EmitCallback onEmit)
    : platform_(platform), tokenBuffer_(std::make_shared<TokenBuffer>(std::move(onEmit))) {
    std::weak_ptr<TokenBuffer> buffer = tokenBuffer_;
    platform_.onApplicationActivated([buffer](const FrontmostApplication&) {
        if (auto alive = buffer.lock()) {
            alive->process(TokenEvent::reset());
        }
    });
}

InputObserver::~InputObserver() { stop(); }

void InputObserver::start() {
    if (globalMonitor_) {
        return;
    }
    globalMonitor_ = platform_.addGlobalKeyMonitor([this](const KeyPress& press) { handleKeyEvent(press); });
    appLog(globalMonitor_ ? "[Keyvane] Input observer started (global monitor)."
                          : "[Keyvane] Failed to install global key monitor. Accessibility permission may be missing.");
}

void InputObserver::stop() {
    if (globalMonitor_) {
        platform_.removeKeyMonitor(*globalMonitor_);
        globalMonitor_.reset();
    }
    tokenBuffer_->process(TokenEvent::reset());
}

void InputObserver::handleKeyEvent(const KeyPress& press) {
    if (press.userData == kSyntheticEventMarker || press.commandHeld) {
        return;
    }
    if (onUserKey_) {
        onUserKey_();
    }
    const std::uint32_t modifiers =
        press.carbonModifiers & (ModifierBit::shift | ModifierBit::capsLock | ModifierBit::option | ModifierBit::control);
    if (auto event = mapToTokenEvent(press.keyCode, modifiers)) {
        if (DebugLog::isEnabled()) {
            appLog("[Keyvane] Event: " + describe(*event));
        }
        tokenBuffer_->process(*event);
    }
}

std::optional<TokenEvent> InputObserver::mapToTokenEvent(std::uint16_t keyCode, std::uint32_t carbonModifiers) {
    switch (keyCode) {
    case KeyCode::returnKey: return TokenEvent::boundaryEvent(BoundaryType::enter());
    case KeyCode::tab: return TokenEvent::boundaryEvent(BoundaryType::tab());
    case KeyCode::space: return TokenEvent::boundaryEvent(BoundaryType::space());
    case KeyCode::deleteKey: return TokenEvent::backspace();
    case KeyCode::escape: return TokenEvent::reset();
    default: break;
    }
    auto c = currentLayoutCharacter(keyCode, carbonModifiers);
    if (!c) {
        return std::nullopt;
    }
    if (layoutMappedPunctuation().contains(*c)) {
        return TokenEvent::characterEvent(*c);
    }
    if (boundaryPunctuation().contains(*c)) {
        return TokenEvent::boundaryEvent(BoundaryType::punctuationMark(*c));
    }
    if (UnicodeText::isLetter(*c) || UnicodeText::isNumeric(*c)) {
        return TokenEvent::characterEvent(*c);
    }
    return TokenEvent::reset();
}

std::optional<std::string> InputObserver::currentLayoutCharacter(std::uint16_t keyCode, std::uint32_t carbonModifiers) {
    auto source = platform_.currentKeyboardLayoutSource();
    if (!source) {
        return std::nullopt;
    }
    auto text = platform_.translateKey(*source, keyCode, carbonModifiers);
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
