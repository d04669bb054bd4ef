// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneInputMethod/SavedShortcut.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/AppPaths.h"

#include <fstream>
#include <sys/stat.h>

namespace keyvane::SavedShortcut {

Shortcut read(const std::string& key, Shortcut fallback) {
    // The settings window keeps the shortcuts in Qt's INI file, under [General].
    const std::string path = AppPaths::userDefaultsPath();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return fallback;
    }
    std::ifstream in(path);
    const std::string prefix = key + "=";
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(prefix, 0) != 0) {
            continue;
        }
        if (auto shortcut = Shortcut::fromString(line.substr(prefix.size()))) {
            if (shortcut->leavesTypingAlone()) {
                return *shortcut;
            }
            appLog("[Keyvane] " + prefix + shortcut->toString() +
                   " is refused: a shortcut needs Control, Alt or Super, or a function key; " +
                   fallback.toString() + " applies");
        }
    }
    return fallback;
}

} // namespace keyvane::SavedShortcut
