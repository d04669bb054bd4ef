// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneInputMethod/RequestListener.h"

#include "Keyvane/app/InstanceChannel.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace keyvane {
namespace {

// A request is a short line; what a well-behaved sender writes arrives at once.
constexpr std::size_t longestRequest = 256;
constexpr long readTimeoutMicroseconds = 200'000;

} // namespace

RequestListener::RequestListener(int socket, std::string path)
    : socket_(socket)
    , path_(std::move(path)) {}

RequestListener::~RequestListener() {
    ::close(socket_);
    ::unlink(path_.c_str());
}

std::unique_ptr<RequestListener> RequestListener::listen(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<RequestListener> {
        if (error != nullptr) {
            *error = path + ": " + why;
        }
        return nullptr;
    };
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return fail("the path is too long for a socket");
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return fail(std::strerror(errno));
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0 && S_ISSOCK(existing.st_mode)) {
        ::unlink(path.c_str()); // left behind by a framework that ended without cleaning up
    }
    const mode_t mask = ::umask(0077);
    const bool bound = ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int bindError = errno;
    ::umask(mask);
    if (!bound || ::listen(socket, 4) != 0) {
        const std::string why = std::strerror(bound ? errno : bindError);
        ::close(socket);
        return fail(why);
    }
    return std::unique_ptr<RequestListener>(new RequestListener(socket, path));
}

void RequestListener::serve(const std::function<std::string(const std::string& request)>& answer) {
    for (;;) {
        const int connection = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) {
            return; // none left (or an error the next readiness retries)
        }
        const auto user = InstanceChannel::peerUser(connection);
        std::string line;
        if (user && *user == ::getuid()) {
            const timeval timeout{0, readTimeoutMicroseconds};
            ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
            char buffer[64];
            bool complete = false;
            while (!complete && line.size() <= longestRequest) {
                const ssize_t size = ::recv(connection, buffer, sizeof buffer, 0);
                if (size <= 0) {
                    break;
                }
                line.append(buffer, static_cast<std::size_t>(size));
                complete = line.find('\n') != std::string::npos;
            }
            if (complete) {
                const std::string reply = answer(line.substr(0, line.find('\n'))) + "\n";
                ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
            }
        }
        ::close(connection);
    }
}

} // namespace keyvane
