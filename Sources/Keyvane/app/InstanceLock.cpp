// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/InstanceLock.h"

#include "Keyvane/app/InstanceChannel.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keyvane {

std::string InstanceLock::path(const std::string& display) {
    return AppPaths::stateDir() + "/instance-" + InstanceChannel::normalisedDisplay(display) + ".lock";
}

InstanceLock::Attempt InstanceLock::take(const std::string& display) {
    AtomicFile::createDirectories(AppPaths::stateDir());
    const std::string file = path(display);
    // Never through a link, and never a FIFO or a device: only a regular file is locked.
    const int descriptor = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    if (descriptor < 0) {
        return {Outcome::unavailable, nullptr, file + ": " + std::strerror(errno)};
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::getuid()) {
        ::close(descriptor);
        return {Outcome::unavailable, nullptr, file + ": not a regular file of this user"};
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(descriptor);
        if (error == EWOULDBLOCK) {
            return {Outcome::heldByCopy, nullptr, {}};
        }
        return {Outcome::unavailable, nullptr, file + ": " + std::strerror(error)};
    }
    return {Outcome::taken, std::unique_ptr<InstanceLock>(new InstanceLock(descriptor)), {}};
}

InstanceLock::~InstanceLock() {
    ::close(descriptor_); // the lock goes with the descriptor
}

} // namespace keyvane
