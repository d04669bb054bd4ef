// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/GameModeDetector.h"

#include "KeyvaneCore/AtomicFile.h"

#include <map>
#include <sstream>

namespace keyvane::GameModeDetector {

bool entryDeclaresGameCategory(const std::optional<std::string>& path) {
    if (!path) {
        return false;
    }
    auto text = AtomicFile::read(*path);
    if (!text) {
        return false;
    }
    std::istringstream in(*text);
    bool mainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!mainGroup || !line.starts_with("Categories=")) {
            continue;
        }
        std::istringstream categories(line.substr(std::string("Categories=").size()));
        for (std::string category; std::getline(categories, category, ';');) {
            if (category == "Game") {
                return true;
            }
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
