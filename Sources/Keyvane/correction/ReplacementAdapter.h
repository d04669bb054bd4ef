// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <optional>
#include <string>
#include <vector>

// The visible effects of a correction: erasing the typed word and typing the replacement, and
// switching the keyboard layout to the target language until the switch holds.
namespace keyvane::ReplacementAdapter {

// Seconds after the first selection at which a switch is verified and re-asserted.
inline constexpr double reassertSchedule[] = {0.05, 0.15, 0.3, 0.5, 0.8, 1.2, 1.7};
inline constexpr double retypeDelay = 0.02;

// Erases originalLength characters and the boundary, then 20 ms later types replacement and
// the boundary as Unicode key events. The user's keys are held meanwhile, so that they land after
// the replacement; characters the user had already typed past the boundary are erased and typed
// again after it, in `nextLayout` where given (the layout the correction switches to: the user
// typed them before the switch, meaning that layout). False (nothing posted) when the user had
// already pressed an editing key.
bool replaceLastWord(PlatformServices& platform, std::size_t originalLength, const std::string& replacement,
                     const std::string& trailingBoundary,
                     const std::optional<KeyboardLayout>& nextLayout = std::nullopt);

// Replaces the word just typed, `typed`, which its boundary ended: on a host that holds the ending
// key, before the key goes on; elsewhere as replaceLastWord does, with the keys typed past the
// boundary read in the layout of `nextLanguage`, which the correction switches to.
bool replaceTypedWord(PlatformServices& platform, const std::string& typed, const std::string& replacement,
                      const std::string& trailingBoundary, Language nextLanguage);

// Types text one character per key-event pair, whatever the active layout.
void typeString(TextInjection& typing, const std::string& text);

// Selects an enabled layout of the language and re-asserts it until it holds.
void switchLayout(PlatformServices& platform, Language language);

// The first of the desktop's layouts whose language is this one.
std::optional<KeyboardLayout> resolveLayout(Language language, const std::vector<KeyboardLayout>& layouts);

// The last programmatic switch (read by the status menu's layout-change log).
std::optional<std::string> lastProgrammaticSwitchID();
double lastProgrammaticSwitchAt();

} // namespace keyvane::ReplacementAdapter
