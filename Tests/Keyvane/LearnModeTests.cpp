#include "LearnModeRunner.h"

#include <gtest/gtest.h>

using namespace keyvane;

TEST(LearnMode, SuffixesOfNearMissesBecomeBoosts) {
    auto miss = [](const char* expected) {
        KeyvaneMissedCandidate m{"x", std::string(expected), KeyvaneDirection::ruTypedAsEn, ExpectedLanguage::en,
                                 "ignored", "", 0.5, 40.0, 50.0, 1};
        return m;
    };
    // A four-letter word contributes its 2- and 3-letter endings only.
    auto counts = LearnModeRunner::countSuffixes({miss("мама"), miss("рама"), miss("Гама"), miss("ма")});
    EXPECT_EQ(counts["ма"], 3);
    EXPECT_EQ(counts["ама"], 3);
    EXPECT_FALSE(counts.contains("мама"));
    counts["ть"] = 200;
    counts["ой"] = 2;
    auto boosts = LearnModeRunner::promoteSuffixBoosts(counts);
    EXPECT_DOUBLE_EQ(boosts["ма"], 10.74);
    EXPECT_DOUBLE_EQ(boosts["ть"], 18.0);
    EXPECT_FALSE(boosts.contains("ой"));
}
