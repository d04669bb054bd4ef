#pragma once

#include "PlatformServices.h"
#include "RulesEngine.h"

#include <string>

// Converts the text selected in the focused application: copies it, converts it with the
// engine, pastes the result over it, puts the user's clipboard back whole and switches the
// layout. In learning mode each converted word becomes an exact correction pair.
namespace keyvane::SelectionConverter {

// Seconds from the copy to reading the clipboard, and from the paste to restoring it.
inline constexpr double copyDelay = 0.1;
inline constexpr double restoreDelay = 0.2;

// To the language the engine chooses (the active layout is read now, at the request).
void convertSelection(PlatformServices& platform, RulesEngine& engine, bool learningMode);
// To the given language.
void convertSelection(PlatformServices& platform, RulesEngine& engine, bool learningMode, const std::string& target);

// Terminal emulators take Control+C as an interrupt, not a copy: their selection is read from
// PRIMARY and the result pasted with Shift+Insert.
bool isTerminal(const std::string& bundleID);

// "ru" when the text has any Cyrillic character, else "en" (the script, not the language).
std::string scriptLanguage(const std::string& text);

} // namespace keyvane::SelectionConverter
