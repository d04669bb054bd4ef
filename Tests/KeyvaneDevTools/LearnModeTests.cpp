// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneDevTools/KeyvaneDiagnosticAnalyzer.h"
#include "KeyvaneDevTools/LearnModeRunner.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace keyvane;

TEST(LearnMode, SuffixesOfNearMissesBecomeBoosts) {
    auto miss = [](const char* expected) {
        KeyvaneMissedCandidate m{};
        m.expectedSwitchedWord = expected;
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

TEST(LearnMode, ANearMissIsMeasuredAgainstTheThresholdTheEngineApplied) {
    // Four letters: the engine applies the short-word curve (41 in the shipped file), not the
    // length table (44); a near miss must be measured against what was applied.
    std::ifstream in(KEYVANE_RULES_FILE);
    std::stringstream text;
    text << in.rdbuf();
    RulesConfig config = RulesConfig::parse(RulesConfig::decode(text.str()).value());
    config.activeLanguages = {Language::en, Language::ru};
    RulesEngine engine(std::move(config));
    ASSERT_NE(engine.thresholdsFor(4).second, engine.config().decision.minCandidateScoreByLength.at(4));
    KeyvaneDiagnosticAnalyzer analyzer(engine);
    // "тылу" typed on English keys, in a text expected to be English.
    auto missed = analyzer.diagnoseMissed("nske", Language::en);
    ASSERT_TRUE(missed.has_value());
    ASSERT_TRUE(missed->threshold.has_value());
    EXPECT_DOUBLE_EQ(*missed->threshold, engine.thresholdsFor(4).second);
}
