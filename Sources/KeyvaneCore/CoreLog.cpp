// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/CoreLog.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace keyvane {
namespace {
std::atomic<bool> debugLogEnabled{false};
} // namespace

bool DebugLog::isEnabled() {
    return debugLogEnabled.load(std::memory_order_relaxed);
}

void DebugLog::setEnabled(bool enabled) {
    debugLogEnabled.store(enabled, std::memory_order_relaxed);
}

void DebugLog::switchAtStartup(bool debugLogPreference, const std::string& logPath) {
    const bool enabled = DevTools::isEnabled() && debugLogPreference;
    setEnabled(enabled);
    if (enabled) {
        CoreLog::truncate(logPath); // a failure is ignored: the next line creates the file
    }
}

bool DevTools::isEnabled() {
    struct stat info {};
    return ::stat((AppPaths::homeDirectory() + "/.keyvane_dev").c_str(), &info) == 0;
}

std::string CoreLog::timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return buffer;
}

std::string CoreLog::logPath() {
    if (auto runtime = AppPaths::runtimeDir()) {
        return *runtime + "/keyvane.log";
    }
    return AppPaths::stateDir() + "/keyvane.log";
}

bool CoreLog::appendLine(const std::string& path, std::string_view message) {
    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (!directory.empty() && !AtomicFile::createDirectories(directory.string())) {
        return false;
    }
    // O_NOFOLLOW: a link planted at the path is refused rather than followed; O_NONBLOCK: a FIFO
    // planted there cannot hang the program (it is refused as no regular file).
    int fd = ::open(path.c_str(),
                    O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool safe =
        ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() && info.st_nlink == 1;
    if (!safe) {
        ::close(fd);
        return false;
    }
    if ((info.st_mode & 077) != 0) {
        ::fchmod(fd, 0600); // a log left readable by others from before is made private
    }
    std::string line = "[" + timestamp() + "] ";
    line.append(message);
    line.push_back('\n');
    bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(fd);
    return written;
}

bool CoreLog::truncate(const std::string& path) {
    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (!directory.empty() && !AtomicFile::createDirectories(directory.string())) {
        return false;
    }
    return AtomicFile::writeAtomically(path, "");
}

void coreLog(std::string_view message) {
    if (!DebugLog::isEnabled()) {
        return;
    }
    CoreLog::appendLine(CoreLog::logPath(), message);
}

void userNotice(std::string_view message) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
    coreLog(message);
}

} // namespace keyvane
