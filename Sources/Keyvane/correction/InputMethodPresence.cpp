// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/InputMethodPresence.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace keyvane::InputMethodPresence {
namespace {

long long announcedProcess(const std::string& markerPath) {
    std::ifstream in(markerPath);
    long long pid = 0;
    return in >> pid ? pid : 0;
}

} // namespace

void announce(const std::string& markerPath) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(markerPath).parent_path(), ec);
    std::ofstream(markerPath, std::ios::trunc) << ::getpid() << '\n';
}

void withdraw(const std::string& markerPath) {
    if (announcedProcess(markerPath) == ::getpid()) {
        std::error_code ec;
        std::filesystem::remove(markerPath, ec);
    }
}

bool active(const std::string& markerPath) {
    const long long pid = announcedProcess(markerPath);
    // A host that died without taking it back no longer corrects anything.
    return pid > 0 && pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace keyvane::InputMethodPresence
