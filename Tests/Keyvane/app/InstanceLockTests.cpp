// SPDX-License-Identifier: GPL-3.0-or-later
// One copy per user and display, whatever another user does to the shared socket directories.

#include "../../TempHome.h"
#include "Keyvane/app/InstanceLock.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(InstanceLock, TheFirstCopyOnADisplayHoldsItUntilItEndsWhateverIsDoneToTheSocketPlaces) {
    TempHome home;
    // Another user squats the socket directory of a session without XDG_RUNTIME_DIR, and a runtime
    // directory too long for a socket path: neither is where the lock lives.
    ::unsetenv("XDG_RUNTIME_DIR");
    const std::string squatted = home.path() + "/tmp-keyvane";
    std::filesystem::create_directories(squatted);
    std::filesystem::permissions(squatted, std::filesystem::perms::all);
    ::setenv("XDG_RUNTIME_DIR", (home.path() + "/" + std::string(120, 'r')).c_str(), 1);
    auto first = InstanceLock::take(":0");
    ASSERT_EQ(first.outcome, InstanceLock::Outcome::taken) << first.error;
    EXPECT_EQ(InstanceLock::take(":0.0").outcome, InstanceLock::Outcome::heldByCopy) << "the same display";
    EXPECT_EQ(InstanceLock::take(":1").outcome, InstanceLock::Outcome::taken) << "another display";
    EXPECT_EQ(InstanceLock::path(":0").rfind(home.path() + "/.local/state/keyvane/", 0), 0u)
        << InstanceLock::path(":0");
    first.lock.reset(); // the first copy ended (or crashed: the system lets go of its lock)
    EXPECT_EQ(InstanceLock::take(":0").outcome, InstanceLock::Outcome::taken);
}

TEST(InstanceLock, ALinkInPlaceOfTheLockFileIsNeitherFollowedNorTaken) {
    TempHome home;
    const std::string target = home.path() + "/elsewhere";
    std::ofstream(target) << "keep";
    std::filesystem::create_directories(std::filesystem::path(InstanceLock::path(":0")).parent_path());
    std::filesystem::create_symlink(target, InstanceLock::path(":0"));
    const auto attempt = InstanceLock::take(":0");
    EXPECT_EQ(attempt.outcome, InstanceLock::Outcome::unavailable);
    EXPECT_FALSE(attempt.error.empty());
    std::ifstream kept(target);
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "keep");
}
