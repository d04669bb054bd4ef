// SPDX-License-Identifier: GPL-3.0-or-later
// The running copy's side of the requests from later launches: only this user's processes are
// answered, and neither idle connections nor a flood of them close the channel for good.

#include "../LiveDesktop.h"
#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/app/SingleInstance.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QTest>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::LiveDesktop;

namespace {

// The running copy: its coordinator on the in-memory desktop, taking requests at a socket.
struct RunningCopy : LiveDesktop {
    std::string socketPath = home.path() + "/instance";
    QLocalServer server;
    explicit RunningCopy(QLocalServer::SocketOptions access = QLocalServer::UserAccessOption) {
        server.setSocketOptions(access);
        EXPECT_TRUE(server.listen(QString::fromStdString(socketPath)));
        SingleInstance::serveRequests(server, *app, nullptr);
    }
};

int connectTo(const std::string& path) {
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(client);
        return -1;
    }
    ::fcntl(client, F_SETFL, O_NONBLOCK);
    return client;
}

// What the copy answered on the connection, or "<closed>" once it closed it unanswered, waiting
// (and running the copy's event loop) at most the given time; empty when it did neither.
std::string answerOn(int client, int waitMs) {
    std::string answer;
    const bool settled = QTest::qWaitFor(
        [&] {
            char buffer[256];
            const ssize_t size = ::read(client, buffer, sizeof buffer);
            if (size > 0) {
                answer.append(buffer, static_cast<std::size_t>(size));
                return answer.find('\n') != std::string::npos;
            }
            if (size == 0 || errno == ECONNRESET) {
                answer = answer.empty() ? "<closed>" : answer;
                return true;
            }
            return errno != EAGAIN;
        },
        waitMs);
    return settled ? answer : std::string();
}

std::string request(const std::string& path, const std::string& line) {
    const int client = connectTo(path);
    if (client < 0) {
        return "<refused>";
    }
    const std::string sent = line + "\n";
    EXPECT_EQ(::write(client, sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
    std::string answer = answerOn(client, 3000);
    ::close(client);
    return answer;
}

} // namespace

TEST(RequestsToTheRunningCopy, AreAnsweredForThisUserAndRefusedForAnother) {
    // Open to every user at the socket itself, as a directory of the wrong mode would leave it:
    // the copy still answers its own user only.
    RunningCopy copy(QLocalServer::WorldAccessOption);
    const std::string pause = InstanceCommand{InstanceCommand::Kind::pause, 60}.line();
    EXPECT_EQ(request(copy.socketPath, pause), "Keyvane is paused for 1 minute.\n");
    EXPECT_TRUE(copy.app->isPaused());
    EXPECT_EQ(request(copy.socketPath, InstanceCommand{InstanceCommand::Kind::resume}.line()),
              "Keyvane corrects words again.\n");
    EXPECT_EQ(request(copy.socketPath, "pause forever and a day"), "Error: unknown request\n");

    if (::getuid() != 0) {
        GTEST_SKIP() << "a request from another user needs a second user: run as root";
    }
    ::chmod(copy.home.path().c_str(), 0755);
    const pid_t other = ::fork();
    if (other == 0) {
        const int client = ::setuid(65534) == 0 ? connectTo(copy.socketPath) : -1;
        const std::string line = pause + "\n";
        const bool sent = client >= 0 && ::write(client, line.data(), line.size()) == ssize_t(line.size());
        pollfd wait{client, POLLIN, 0};
        char buffer[64];
        // Closed (or reset) unanswered: 0; not even sent, an answer, or nothing at all: 1.
        ::_exit(sent && ::poll(&wait, 1, 3000) == 1 && ::read(client, buffer, sizeof buffer) <= 0 ? 0 : 1);
    }
    int status = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] { return ::waitpid(other, &status, WNOHANG) == other; }, 5000));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "exit " << WEXITSTATUS(status);
    EXPECT_FALSE(copy.app->isPaused()) << "another user's request is never carried out";
}

TEST(RequestsToTheRunningCopy, IdleConnectionsAreClosedAndAFloodOfThemNeverClosesTheChannel) {
    RunningCopy copy;
    std::vector<int> idle;
    for (int i = 0; i < 8; ++i) {
        idle.push_back(connectTo(copy.socketPath));
        ASSERT_GE(idle.back(), 0);
    }
    QTest::qWait(100); // the copy takes them in
    const int ninth = connectTo(copy.socketPath);
    ASSERT_GE(ninth, 0);
    EXPECT_EQ(answerOn(ninth, 1000), "<closed>") << "at most eight at a time";
    ::close(ninth);

    // Two seconds of silence, and each idle connection is closed: the channel answers again.
    for (int client : idle) {
        EXPECT_EQ(answerOn(client, 3500), "<closed>");
        ::close(client);
    }
    EXPECT_EQ(request(copy.socketPath, InstanceCommand{InstanceCommand::Kind::pauseUntilRestart}.line()),
              "Keyvane is paused until it restarts.\n");
}
