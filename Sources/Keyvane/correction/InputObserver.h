// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/TokenBuffer.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// Listens to every key press, translates it through the active layout into a token event, and
// hands each finished word to its owner. Ignores the program's own synthetic key presses and
// shortcuts. Whatever makes the text around the cursor unknown (a mouse click, a cursor or editing
// key, a shortcut, a focus change, another application, a keyboard grab by another program)
// forgets the half-typed word and tells the owner.
class InputObserver {
public:
    using EmitCallback = std::function<void(const EmittedToken&)>;

    InputObserver(PlatformServices& platform, EmitCallback onEmit);
    ~InputObserver();
    InputObserver(const InputObserver&) = delete;
    InputObserver& operator=(const InputObserver&) = delete;

    void start();
    void stop();

    // Called for every key press of the user (not the program's own, not shortcuts) before it is
    // classified: the owner learns that something was typed after its last action.
    void setOnUserKey(std::function<void()> onUserKey) { onUserKey_ = std::move(onUserKey); }
    // Called whenever the text before the cursor is no longer what the observer saw typed: the
    // owner must not erase anything it remembers (the last correction, the previous word).
    void setOnContextLost(std::function<void()> onContextLost) { *onContextLost_ = std::move(onContextLost); }
    // Return or Tab was typed (after the word they end, if any, was emitted): a new line begins.
    void setOnLineEnd(std::function<void()> onLineEnd) { onLineEnd_ = std::move(onLineEnd); }
    // Asked for every key: true while the keys are not the program's to read (a password field or
    // prompt). Such keys are dropped, and the word being typed with them.
    void setKeysOffLimits(std::function<bool()> offLimits) { keysOffLimits_ = std::move(offLimits); }
    bool isListening() const { return globalMonitor_.has_value(); }

    // What the user typed on the current line before the cursor, as far as the observer can tell
    // (empty after anything it cannot follow). A replacement made by the program updates it.
    std::string typedBeforeCursor() const;
    void replaceTypedTail(std::size_t erasedCharacters, const std::string& typed);
    // Forgets the half-typed word and the line (the program changed text it cannot follow).
    void forget() { loseContext(); }

    // The token event of a key press under the current layout; nothing when the key types nothing.
    std::optional<TokenEvent> mapToTokenEvent(std::uint16_t keyCode, ModifierFlags modifiers);

    // "character(\"g\")", "boundary(space)", "reset", … for the developer log.
    static std::string describe(const TokenEvent& event);

private:
    void handleKeyEvent(const KeyDown& press);
    void loseContext();
    std::optional<std::string> currentLayoutCharacter(std::uint16_t keyCode, ModifierFlags modifiers);

    PlatformServices& platform_;
    std::optional<PlatformServices::MonitorHandle> globalMonitor_;
    std::shared_ptr<TokenBuffer> tokenBuffer_;
    std::function<void()> onUserKey_;
    std::function<void()> onLineEnd_;
    std::function<bool()> keysOffLimits_;
    std::vector<std::string> line_; // characters, at most lineLimit
    // Keys of the word being typed went unread, or text was pasted into it: the rest is skipped.
    std::shared_ptr<bool> midWordUnread_ = std::make_shared<bool>(false);
    static constexpr std::size_t lineLimit = 512;
    std::shared_ptr<std::function<void()>> onContextLost_ = std::make_shared<std::function<void()>>();
    // The platform's pointer, focus and activation handlers, taken out first as this goes.
    std::vector<Registration> registrations_;
};

} // namespace keyvane
