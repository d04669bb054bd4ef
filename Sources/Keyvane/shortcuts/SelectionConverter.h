// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvanePlatform/PendingSteps.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <string>

// Converts the text selected in the focused application: copies it, converts it with the
// engine, pastes the result over it, puts the user's clipboard back whole and switches the
// layout. In learning mode each converted word becomes an exact correction pair.
namespace keyvane {
class LearningWrites;
}

namespace keyvane::SelectionConverter {

// Seconds from the copy to reading the clipboard, and from the paste to restoring it.
inline constexpr double copyDelay = 0.1;
inline constexpr double restoreDelay = 0.2;

// The log line when a terminal's selection cannot be replaced in place.
inline constexpr const char* convertedToClipboard =
    "[Keyvane] Selection converted to the clipboard: a terminal cannot replace a selection that is not the "
    "end of "
    "the line just typed (paste it with Control+Shift+V)";

// To the language the engine chooses (the active layout is read now, at the request).
// `typedBeforeCursor`: what the user typed on the current line before the cursor, as far as the
// key observer can tell; in a terminal only a selection at its end can be replaced. In learning
// mode the pairs learned are written through `writes` (at once when there is none). The copied
// selection is read in a step that waits in `steps`, kept by the owner of the engine and the
// writes: it never comes after them.
void convertSelection(PlatformServices& platform, RulesEngine& engine, PendingSteps& steps, bool learningMode,
                      const std::string& typedBeforeCursor = {}, LearningWrites* writes = nullptr);
// To the given language.
void convertSelection(PlatformServices& platform, RulesEngine& engine, PendingSteps& steps, bool learningMode,
                      Language target, const std::string& typedBeforeCursor,
                      LearningWrites* writes = nullptr);

// Terminal emulators take Control+C as an interrupt and paste at the cursor, not over the
// selection: their selection is read from PRIMARY. When it is the end of what was just typed it
// is erased with Backspace and retyped converted; otherwise the conversion goes to the clipboard
// for the user to paste, and the log says so.
bool isTerminal(const std::string& desktopEntryID);

// "ru" when the text has any Cyrillic character, else "en" (the script, not the language).
std::string scriptLanguage(const std::string& text);

} // namespace keyvane::SelectionConverter
