// SPDX-License-Identifier: GPL-3.0-or-later
// The full vocabulary: a trie file written whole, mapped back, and never trusted when damaged.

#include "../TempHome.h"
#include "KeyvaneCore/Vocabulary.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace keyvane;

TEST(Vocabulary, AWrittenFileMapsBackWithEveryWordAndNoOtherAndADamagedOneNotAtAll) {
    keyvane::testing::TempHome home;
    const std::string path = home.path() + "/vocabulary_uk.marisa";
    ASSERT_TRUE(Vocabulary::write({"полі", "книзі", "надворі", "м'ята"}, path));
    auto vocabulary = Vocabulary::map(path);
    ASSERT_NE(vocabulary, nullptr);
    EXPECT_EQ(vocabulary->size(), 4u);
    EXPECT_TRUE(vocabulary->contains("книзі"));
    EXPECT_TRUE(vocabulary->contains("м'ята"));
    EXPECT_FALSE(vocabulary->contains("книз")); // a prefix is no word
    EXPECT_FALSE(vocabulary->contains("полы"));
    EXPECT_FALSE(vocabulary->contains(""));

    // A missing or damaged file gives no vocabulary, and one that cannot be written says so.
    EXPECT_EQ(Vocabulary::map(home.path() + "/absent.marisa"), nullptr);
    const std::string damaged = home.path() + "/damaged.marisa";
    std::ofstream(damaged) << "not a trie";
    EXPECT_EQ(Vocabulary::map(damaged), nullptr);
    EXPECT_FALSE(Vocabulary::write({"word"}, home.path() + "/no/such/dir/v.marisa"));
}
