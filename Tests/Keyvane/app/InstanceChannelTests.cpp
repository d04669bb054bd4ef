// SPDX-License-Identifier: GPL-3.0-or-later
// The channel between the running copy and later launches: private to the user, plain text only.

#include "../../TempHome.h"
#include "Keyvane/app/InstanceChannel.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {

// XDG_RUNTIME_DIR pointed at a fresh directory for one test.
struct RuntimeDir {
    TempHome home;
    std::string path = home.path() + "/run";
    RuntimeDir() {
        std::filesystem::create_directories(path);
        ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~RuntimeDir() { ::unsetenv("XDG_RUNTIME_DIR"); }
};

} // namespace

TEST(InstanceChannel, OneDisplayHasOneNameHoweverItIsWritten) {
    for (const char* display : {":0", ":0.0", "unix:0", "unix:0.1"}) {
        EXPECT_EQ(InstanceChannel::normalisedDisplay(display), "0") << display;
    }
    EXPECT_EQ(InstanceChannel::normalisedDisplay("localhost:10.0"), "localhost-10");
    EXPECT_NE(InstanceChannel::normalisedDisplay(":1"), InstanceChannel::normalisedDisplay(":0"));
}

TEST(InstanceChannel, TheSocketLivesInADirectoryOnlyThisUserCanEnter) {
    RuntimeDir runtime;
    auto path = InstanceChannel::socketPath(":0.0");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(*path, runtime.path + "/keyvane/instance-0");
    struct stat info {};
    ASSERT_EQ(::stat((runtime.path + "/keyvane").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // A directory opened to others is made private again; a link planted there is refused.
    ::chmod((runtime.path + "/keyvane").c_str(), 0777);
    ASSERT_TRUE(InstanceChannel::socketPath(":0").has_value());
    ASSERT_EQ(::stat((runtime.path + "/keyvane").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    std::filesystem::remove(runtime.path + "/keyvane");
    const std::string elsewhere = runtime.home.path() + "/elsewhere";
    std::filesystem::create_directory(elsewhere);
    std::filesystem::create_directory_symlink(elsewhere, runtime.path + "/keyvane");
    std::string error;
    EXPECT_FALSE(InstanceChannel::socketPath(":0", &error).has_value());
    EXPECT_FALSE(error.empty());
    if (::getuid() == 0) {
        // Another user's directory in its place, private to that user or open to all.
        std::filesystem::remove(runtime.path + "/keyvane");
        std::filesystem::create_directory(runtime.path + "/keyvane");
        ASSERT_EQ(::chown((runtime.path + "/keyvane").c_str(), 65534, 65534), 0);
        for (mode_t mode : {0700, 0777}) {
            ::chmod((runtime.path + "/keyvane").c_str(), mode);
            error.clear();
            EXPECT_FALSE(InstanceChannel::socketPath(":0", &error).has_value()) << std::oct << mode;
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(InstanceChannel, AConnectionFromAnotherUserIsToldApart) {
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_EQ(InstanceChannel::peerUser(pair[0]), ::getuid());
    ::close(pair[0]);
    ::close(pair[1]);
    if (::getuid() != 0) {
        GTEST_SKIP() << "telling another user apart needs a second user: run as root";
    }
    // A child that becomes "nobody" connects to a socket in a directory it may enter.
    RuntimeDir runtime;
    const std::string socketFile = runtime.path + "/open-socket";
    ::chmod(runtime.home.path().c_str(), 0755);
    ::chmod(runtime.path.c_str(), 0777);
    int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketFile.c_str());
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::chmod(socketFile.c_str(), 0777);
    ASSERT_EQ(::listen(server, 1), 0);
    pid_t child = ::fork();
    if (child == 0) {
        if (::setuid(65534) != 0) {
            ::_exit(2);
        }
        int client = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ::_exit(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 ? 0 : 1);
    }
    int accepted = ::accept(server, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(InstanceChannel::peerUser(accepted), static_cast<uid_t>(65534));
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(accepted);
    ::close(server);
}

TEST(InstanceChannel, AnAnswerIsPrintedAsPlainTextOnly) {
    EXPECT_EQ(InstanceChannel::plainText("Keyvane is paused for 15 minutes.\nmore"),
              "Keyvane is paused for 15 minutes.");
    EXPECT_EQ(InstanceChannel::plainText("\x1b]0;owned\x07\x1b[2JДа\r"), "]0;owned[2JДа");
    EXPECT_EQ(InstanceChannel::plainText("a\xc2\x9b"
                                         "31mb"),
              "a31mb")
        << "no C1 escape either";
    EXPECT_EQ(InstanceChannel::plainText(std::string(1000, 'x')).size(), 256u);
}
