// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformTypes.h"

#include <optional>
#include <string>

namespace keyvane {

// What the program types into the focused field: key events, a word replaced where the host
// replaces it itself, and the selection where the host is told it.
class TextInjection {
public:
    virtual ~TextInjection() = default;

    // Posts one key event to the focused application, in posting order.
    virtual void postKeyEvent(const SyntheticKeyEvent& event) = 0;

    // How a host replaces a word. The X11 host sees keys as the application gets them: the key that
    // ended a word is in the text already, and the replacement erases it and types it again. An
    // input-method host holds that key until the word is replaced, so the word is replaced first,
    // whatever the key (Return and Tab too), and the key follows.
    virtual bool replacesBeforeTheEndingKey() { return false; }
    // Replaces `typed`, right before the cursor, with `text` at once; false when it cannot. Asked
    // only of hosts that replace before the ending key.
    virtual bool replaceBeforeCursor(const std::string& /*typed*/, const std::string& /*text*/) {
        return false;
    }

    // The text selected in the focused field, where the host is told it (an input-method host, from
    // the field's surrounding text); nothing where it must be copied through the clipboard.
    virtual std::optional<std::string> selectedText() { return std::nullopt; }
    // Puts text in place of that selection; false when it cannot.
    virtual bool replaceSelection(const std::string& /*text*/) { return false; }
};

} // namespace keyvane
