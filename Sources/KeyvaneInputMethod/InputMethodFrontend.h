// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace keyvane {

// What an input-method framework (a fcitx5 addon, an IBus engine) does for Keyvane in the text
// field that has the focus. Called on the framework's own thread, from its event handlers.
class InputMethodFrontend {
public:
    virtual ~InputMethodFrontend() = default;

    // Time and delayed steps on the framework's event loop.
    virtual double now() = 0;
    virtual void schedule(double delaySeconds, std::function<void()> step) = 0;

    // The field's text before the cursor, when the field tells it (its surrounding text is valid);
    // it may lag behind the keys.
    virtual std::optional<std::string> textBeforeCursor() = 0;
    // The text selected in the field, when its surrounding text is given (empty: none selected).
    virtual std::optional<std::string> selectedText() = 0;
    // Deletes characters right before the cursor through the field's surrounding text.
    virtual void deleteBeforeCursor(std::size_t characters) = 0;
    // Whether deleting this text right before the cursor through the surrounding text removes
    // exactly it: a protocol that counts bytes where the field counts characters removes more.
    virtual bool deletesExactly(const std::string& /*text*/) { return true; }
    // Sends a BackSpace key to the application.
    virtual void sendBackspace() = 0;
    // Types text into the field.
    virtual void commit(const std::string& text) = 0;

    // The XKB layout the framework types with now ("us", "ru", "ua"), and choosing another.
    virtual std::string currentLayout() = 0;
    virtual void selectLayout(const std::string& layout) = 0;
};

} // namespace keyvane
