// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/KeyboardLayouts.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// Which of Keyvane's languages have a keyboard layout, and which one is active.
namespace keyvane::InstalledLanguageDetector {

// The language of the selected layout; nothing for a layout of another language.
std::optional<Language> currentKey(KeyboardLayouts& keyboard);
// The selected layout as logs name it ("ru", "ru(phonetic)").
std::optional<std::string> currentLayoutID(KeyboardLayouts& keyboard);
// The languages that have a layout on the desktop, by code (what the preferences keep).
std::set<std::string> detectInstalledKeys(KeyboardLayouts& keyboard);

// English first, then the saved languages that are still installed, then newly installed ones.
std::vector<std::string> reconcile(const std::vector<std::string>& saved,
                                   const std::set<std::string>& detected);

// Reconciles the preferences' active languages with the installed layouts; true when they changed.
bool reconcileAndPersist(KeyboardLayouts& keyboard);

} // namespace keyvane::InstalledLanguageDetector
