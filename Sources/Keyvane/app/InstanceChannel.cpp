// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/InstanceChannel.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/UnicodeText.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keyvane::InstanceChannel {

std::string normalisedDisplay(const std::string& display) {
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) {
        return display.empty() ? "none" : display;
    }
    std::string host = display.substr(0, colon);
    std::string number = display.substr(colon + 1);
    if (const std::size_t dot = number.find('.'); dot != std::string::npos) {
        number.erase(dot); // the screen does not make another display
    }
    if (host.empty() || host == "unix") {
        return number;
    }
    for (char& c : host) {
        if (c == '/') {
            c = '-';
        }
    }
    return host + "-" + number;
}

std::optional<std::string> privateDirectory(std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<std::string> {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    const std::string directory =
        AppPaths::runtimeDir().value_or("/tmp/keyvane-" + std::to_string(::getuid()));
    if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
        return fail(directory + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (::lstat(directory.c_str(), &info) != 0) {
        return fail(directory + ": " + std::strerror(errno));
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) {
        return fail(directory + " is not a directory of this user's own");
    }
    if ((info.st_mode & 077) != 0 && ::chmod(directory.c_str(), 0700) != 0) {
        return fail(directory + " cannot be made private");
    }
    return directory;
}

std::optional<std::string> socketPath(const std::string& display, std::string* error) {
    auto directory = privateDirectory(error);
    if (!directory) {
        return std::nullopt;
    }
    return *directory + "/instance-" + normalisedDisplay(display);
}

std::optional<std::string> inputMethodSocketPath(std::string* error) {
    auto directory = privateDirectory(error);
    if (!directory) {
        return std::nullopt;
    }
    return *directory + "/input-method";
}

std::optional<uid_t> peerUser(int socketDescriptor) {
    struct ucred credentials {};
    socklen_t length = sizeof credentials;
    if (::getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 ||
        length != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
}

std::string plainText(const std::string& answer) {
    std::string out;
    for (char32_t c : UnicodeText::codePoints(answer.substr(0, answer.find('\n')))) {
        // No control character of either range (C0, DEL, C1: escapes start there).
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) {
            continue;
        }
        const std::string character = UnicodeText::fromCodePoints(std::u32string_view(&c, 1));
        if (out.size() + character.size() > 256) {
            break; // at most 256 bytes, never a character cut in two
        }
        out += character;
    }
    return out;
}

} // namespace keyvane::InstanceChannel
