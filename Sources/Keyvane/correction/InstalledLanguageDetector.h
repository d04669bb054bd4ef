#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// Which of Keyvane's languages have a keyboard layout, and which one is active.
namespace keyvane::InstalledLanguageDetector {

// The language of a layout ID by the words of its name ("xkb.keylayout.Russian (phonetic)" → "ru",
// "…English (US)" → "en"); nothing for input methods and unsupported layouts such as Belarusian.
std::optional<std::string> key(const std::string& sourceID);

std::optional<std::string> currentKey(PlatformServices& platform);
std::optional<std::string> currentSourceID(PlatformServices& platform);
std::set<std::string> detectInstalledKeys(PlatformServices& platform);

// English first, then the saved languages that are still installed, then newly installed ones.
std::vector<std::string> reconcile(const std::vector<std::string>& saved,
                                   const std::set<std::string>& detected);

// Reconciles the preferences' active languages with the installed layouts; true when they changed.
bool reconcileAndPersist(PlatformServices& platform);

} // namespace keyvane::InstalledLanguageDetector
