// SPDX-License-Identifier: GPL-3.0-or-later
// Pause and resume requests handed to the running copy by a later launch.

#include "../../TempHome.h"
#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/correction/AppState.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

std::optional<InstanceCommand> parsed(std::vector<std::string> args, std::string* error = nullptr) {
    args.insert(args.begin(), "keyvane");
    return InstanceCommand::parse(args, error);
}

} // namespace

TEST(InstanceRequests, DurationsReadAsAUserWritesThem) {
    EXPECT_EQ(parsed({"--pause"})->seconds, 15 * 60) << "the menu's pause lasts 15 minutes";
    EXPECT_EQ(parsed({"--pause", "90s"})->seconds, 90);
    EXPECT_EQ(parsed({"--pause", "2h"})->seconds, 7200);
    EXPECT_EQ(parsed({"--pause", "5"})->seconds, 300) << "a bare number counts minutes";
    EXPECT_EQ(parsed({"--pause", "0.5m"})->seconds, 30);
    EXPECT_EQ(parsed({"--pause-until-restart"})->kind, InstanceCommand::Kind::pauseUntilRestart);
    EXPECT_EQ(parsed({"--resume"})->kind, InstanceCommand::Kind::resume);
    EXPECT_FALSE(parsed({}).has_value());
    EXPECT_FALSE(parsed({"--test"}).has_value());
}

TEST(InstanceRequests, AMalformedDurationIsRefusedWithAReason) {
    for (const char* bad : {"soon", "0", "-5m", "25h", "nan", "infs", "15x", "m", "1e400"}) {
        std::string error;
        EXPECT_FALSE(parsed({"--pause", bad}, &error).has_value()) << bad;
        EXPECT_NE(error.find("--pause takes a duration"), std::string::npos) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << "the message names what was given";
    }
    std::string error;
    EXPECT_FALSE(parsed({"--pause", "1h\n\x1b[2Jrm -rf"}, &error).has_value());
    EXPECT_EQ(error.find_first_of("\n\x1b"), std::string::npos) << "one line, no terminal escape: " << error;
}

// The line each request travels as; the socket itself is exercised with the live program in the
// desktop tests.
TEST(InstanceRequests, EveryRequestReadsBackFromTheLineItIsSentAs) {
    for (auto args : std::vector<std::vector<std::string>>{{"--pause", "90s"},
                                                           {"--pause", "0.25m"},
                                                           {"--pause"},
                                                           {"--pause-until-restart"},
                                                           {"--resume"}}) {
        InstanceCommand sent = *parsed(args);
        auto received = InstanceCommand::fromLine(sent.line());
        ASSERT_TRUE(received.has_value()) << sent.line();
        EXPECT_EQ(received->kind, sent.kind);
        EXPECT_EQ(received->seconds, sent.seconds);
    }
    for (const char* junk : {"", "pause", "pause forever", "pause 1e9", "shutdown", "resume now"}) {
        EXPECT_FALSE(InstanceCommand::fromLine(junk).has_value()) << junk;
    }
}

TEST(InstanceRequests, RequestsPauseAndResumeTheRunningCoordinator) {
    keyvane::testing::TempHome home;
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru"]})");
    FakePlatform platform;
    auto app = AppState::create(platform);
    ASSERT_NE(app, nullptr);
    app->startObserving();

    EXPECT_EQ(parsed({"--pause", "90s"})->applyTo(*app), "Keyvane is paused for 90 seconds.");
    EXPECT_TRUE(app->isPaused());
    platform.advance(89);
    EXPECT_TRUE(app->isPaused());
    platform.advance(2);
    EXPECT_FALSE(app->isPaused()) << "a timed pause ends by itself";

    EXPECT_EQ(parsed({"--pause-until-restart"})->applyTo(*app), "Keyvane is paused until it restarts.");
    platform.advance(48 * 3600);
    EXPECT_TRUE(app->isPaused());
    EXPECT_EQ(parsed({"--resume"})->applyTo(*app), "Keyvane corrects words again.");
    EXPECT_FALSE(app->isPaused());
    EXPECT_EQ(parsed({"--pause"})->applyTo(*app), "Keyvane is paused for 15 minutes.");
}
