// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../TempHome.h"
#include "Keyvane/services/LearningNotice.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(LearningNotice, IsGivenForTheFirstLearnedWordOnlyAcrossStarts) {
    TempHome home;
    const std::string settings = home.path() + "/Keyvane.conf";
    EXPECT_TRUE(LearningNotice::takeFirst(settings));
    EXPECT_FALSE(LearningNotice::takeFirst(settings)) << "kept with the settings: said once for good";

    const std::string fifo = home.path() + "/fifo.conf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(5); // a hang ends the test run here
    EXPECT_FALSE(LearningNotice::takeFirst(fifo)) << "where it cannot be kept, it is not said at every undo";
    ::alarm(0);
}
