// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/GameModeDetector.h"

#include "KeyvanePlatform/DesktopEntries.h"

#include <map>
#include <sstream>

namespace keyvane::GameModeDetector {

bool entryDeclaresGameCategory(const std::optional<std::string>& path) {
    if (!path) {
        return false;
    }
    std::istringstream categories(DesktopEntries::fields(*path)["Categories"]);
    for (std::string category; std::getline(categories, category, ';');) {
        if (category == "Game") {
            return true;
        }
    }
    return false;
}

bool isGameApp(const std::string& desktopEntryID, const std::optional<std::string>& desktopEntryPath) {
    static std::map<std::string, bool> cache; // main thread only
    auto it = cache.find(desktopEntryID);
    if (it != cache.end()) {
        return it->second;
    }
    bool game = entryDeclaresGameCategory(desktopEntryPath);
    cache.emplace(desktopEntryID, game);
    return game;
}

} // namespace keyvane::GameModeDetector
