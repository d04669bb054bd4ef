// SPDX-License-Identifier: GPL-3.0-or-later
// The channel between the running copy and later launches: private to the user, plain text only.

#include "../../TempHome.h"
#include "Keyvane/app/InstanceChannel.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    const auto permissions = [&] {
        return std::filesystem::status(runtime.path + "/keyvane").permissions() & std::filesystem::perms::all;
    };
    EXPECT_EQ(permissions(), std::filesystem::perms::owner_all);
    // A directory opened to others is made private again; a link planted there is refused.
    ::chmod((runtime.path + "/keyvane").c_str(), 0777);
    ASSERT_TRUE(InstanceChannel::socketPath(":0").has_value());
    EXPECT_EQ(permissions(), std::filesystem::perms::owner_all);
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

TEST(InstanceChannel, AnAnswerIsPrintedAsPlainTextOnly) {
    EXPECT_EQ(InstanceChannel::plainText("Keyvane is paused for 15 minutes.\nmore"),
              "Keyvane is paused for 15 minutes.");
    EXPECT_EQ(InstanceChannel::plainText("\x1b]0;owned\x07\x1b[2JДа\r"), "]0;owned[2JДа");
    EXPECT_EQ(InstanceChannel::plainText(std::string("a\xc2\x9b") + "31mb"), "a31mb")
        << "no C1 escape either";
    EXPECT_EQ(InstanceChannel::plainText(std::string(1000, 'x')).size(), 256u);
}
