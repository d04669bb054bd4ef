// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/SettingsFile.h"

#include "Keyvane/app/AppLog.h"

#include <atomic>
#include <cerrno>
#include <sys/stat.h>

namespace keyvane::SettingsFile {

bool usable(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (S_ISREG(info.st_mode)) {
        return true;
    }
    static std::atomic<bool> said{false};
    if (!said.exchange(true)) {
        appLog("[Keyvane] " + path + " is no regular file: it is left alone, and the default settings apply");
    }
    return false;
}

} // namespace keyvane::SettingsFile
