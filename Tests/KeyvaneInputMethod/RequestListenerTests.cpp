// SPDX-License-Identifier: GPL-3.0-or-later
// "keyvane --pause" reaches the host inside an input-method framework through a local socket:
// one answer per request line, to this user's processes only, and a silent or foreign connection
// never holds up the framework.

#include "KeyvaneInputMethod/RequestListener.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;

namespace {

// A directory of its own, and where the socket goes in it.
struct Scratch {
    std::filesystem::path directory;
    std::string path;
    Scratch() {
        char pattern[] = "/tmp/keyvane-requests.XXXXXX";
        directory = ::mkdtemp(pattern);
        path = directory / "input-method";
    }
    ~Scratch() { std::filesystem::remove_all(directory); }
};

int connectTo(const std::string& path) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket);
        return -1;
    }
    return socket;
}

std::string readAll(int socket) {
    std::string text;
    char buffer[128];
    ssize_t size = 0;
    while ((size = ::recv(socket, buffer, sizeof buffer, 0)) > 0) {
        text.append(buffer, static_cast<std::size_t>(size));
    }
    return text;
}

TEST(RequestListener, AnswersEachRequestLineOfThisUserAndClosesASilentConnectionWithoutWaiting) {
    Scratch scratch;
    auto listener = RequestListener::listen(scratch.path);
    ASSERT_TRUE(listener);
    EXPECT_EQ(std::filesystem::status(scratch.path).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
    std::vector<std::string> requests;
    auto answer = [&](const std::string& request) {
        requests.push_back(request);
        return "done: " + request;
    };
    const int silent = connectTo(scratch.path);
    ASSERT_GE(silent, 0);
    const auto started = std::chrono::steady_clock::now();
    listener->serve(answer);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2)) << "the framework waited";
    EXPECT_EQ(readAll(silent), "");
    ::close(silent);
    for (const std::string request : {"pause 900", "resume"}) {
        const int client = connectTo(scratch.path);
        ASSERT_GE(client, 0);
        const std::string line = request + "\n";
        ASSERT_EQ(::send(client, line.data(), line.size(), 0), static_cast<ssize_t>(line.size()));
        listener->serve(answer);
        EXPECT_EQ(readAll(client), "done: " + request + "\n");
        ::close(client);
    }
    EXPECT_EQ(requests, (std::vector<std::string>{"pause 900", "resume"})) << "the silent one asked nothing";
}

TEST(RequestListener, AnotherUsersRequestIsNotAnswered) {
    if (::getuid() != 0) {
        GTEST_SKIP() << "needs root to connect as another user";
    }
    Scratch scratch;
    std::filesystem::permissions(scratch.directory, std::filesystem::perms::all);
    const std::string& path = scratch.path;
    auto listener = RequestListener::listen(path);
    ASSERT_TRUE(listener);
    ::chmod(path.c_str(), 0777); // as if another user could reach the socket
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setuid(65534) != 0) {
            _exit(3);
        }
        const int client = connectTo(path);
        if (client < 0) {
            _exit(4);
        }
        ::send(client, "resume\n", 7, 0);
        const std::string answer = readAll(client);
        _exit(answer.empty() ? 0 : 5);
    }
    bool answered = false;
    for (int round = 0; round < 50 && !answered; ++round) {
        listener->serve([&](const std::string&) {
            answered = true;
            return std::string("resumed");
        });
        ::usleep(20'000);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_FALSE(answered);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

TEST(RequestListener, ReplacesASocketLeftBehindAndSaysWhyWhenItCannotListen) {
    Scratch scratch;
    auto first = RequestListener::listen(scratch.path);
    ASSERT_TRUE(first);
    auto second = RequestListener::listen(scratch.path); // the first framework ended without cleaning up
    ASSERT_TRUE(second);
    std::string error;
    EXPECT_FALSE(RequestListener::listen(scratch.directory / std::string(120, 'x'), &error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
    EXPECT_FALSE(RequestListener::listen(scratch.directory / "missing" / "input-method", &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

} // namespace
