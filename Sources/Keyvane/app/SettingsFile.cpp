// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/SettingsFile.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserDataFile.h"

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>

namespace keyvane::SettingsFile {

namespace {

// Why QSettings would read the text only in part, or nothing when it reads it whole.
std::string damage(const std::string& text) {
    if (text.find('\0') != std::string::npos || !UnicodeText::isValidUtf8(text)) {
        return "it is not UTF-8 text";
    }
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == ';' || line[start] == '#' ||
            line.find('=') != std::string::npos ||
            (line[start] == '[' && line.find(']', start) != std::string::npos)) {
            continue;
        }
        return "line " + std::to_string(number) + " is no setting";
    }
    return {};
}

} // namespace

bool usable(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(info.st_mode)) {
        static std::atomic<bool> said{false};
        if (!said.exchange(true)) {
            appLog("[Keyvane] " + path +
                   " is no regular file: it is left alone, and the default settings apply");
        }
        return false;
    }
    static std::mutex mutex;
    static std::map<std::string, bool> checked; // by path: whether it may be written
    const std::lock_guard<std::mutex> lock(mutex);
    if (auto known = checked.find(path); known != checked.end()) {
        return known->second;
    }
    const std::optional<std::string> text = AtomicFile::read(path);
    const std::string why = text ? damage(*text) : std::string();
    if (why.empty()) {
        return checked[path] = true;
    }
    if (const std::optional<std::string> copy = UserDataFile::keepCopy(path, "damaged")) {
        userNotice("[Keyvane] " + path + " could not be read whole (" + why + "); kept as " + *copy +
                   "; the settings that could be read are used");
        return checked[path] = true;
    }
    userNotice("[Keyvane] " + path + " could not be read whole (" + why +
               ") and could not be copied aside; it is left as it is, and the default settings apply");
    return checked[path] = false;
}

} // namespace keyvane::SettingsFile
