// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/SessionLanguageTracker.h"

#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::testConfig;
using keyvane::testing::testRules;

TEST(SessionLanguage, ActivatesAfterAStreakAndRestartsOnAnotherLanguage) {
    SessionLanguageTracker tracker(3);
    tracker.recordWord(std::string("ru"));
    tracker.recordWord(std::nullopt); // a word without a language neither extends nor breaks the streak
    tracker.recordWord(std::string("ru"));
    EXPECT_FALSE(tracker.sessionLanguage().has_value());
    tracker.recordWord(std::string("ru"));
    EXPECT_EQ(tracker.sessionLanguage(), "ru");
    tracker.recordWord(std::string("en"));
    EXPECT_FALSE(tracker.sessionLanguage().has_value());
    tracker.reset();
    EXPECT_FALSE(tracker.sessionLanguage().has_value());

    // A streak of zero means the first word decides.
    SessionLanguageTracker eager(0);
    eager.recordWord(std::string("uk"));
    EXPECT_EQ(eager.sessionLanguage(), "uk");
}

TEST(ManualConversion, ASelectionGoesToTheLanguageItsWordsOrItsLettersSay) {
    const RulesEngine engine(testConfig({"en", "uk", "ru"}));
    // Cyrillic text becomes Latin whichever Cyrillic layout it was typed in.
    EXPECT_EQ(engine.convertSelectionSmart("ЕЗІ", std::nullopt), (ManualConversionResult{"TPS", "en"}));
    EXPECT_EQ(engine.convertSelectionSmart("привіт", std::nullopt), (ManualConversionResult{"ghbdsn", "en"}));
    EXPECT_EQ(engine.convertSelectionSmart("привет", std::nullopt), (ManualConversionResult{"ghbdtn", "en"}));
    EXPECT_EQ(engine.convertSelectionSmart("Руддщ, цщкдв!", std::nullopt).text, "Hello, world!");
    // As many Cyrillic as Latin letters counts as Cyrillic.
    EXPECT_EQ(engine.convertSelectionSmart("ab вг", std::nullopt).targetLanguage, "en");
    // Latin text goes to the Cyrillic language that knows the words; when neither does, the
    // higher-priority Cyrillic language wins.
    EXPECT_EQ(engine.convertSelectionSmart("ghbdsn", std::nullopt), (ManualConversionResult{"привіт", "uk"}));
    EXPECT_EQ(engine.convertSelectionSmart("ghbdtn", std::nullopt).text, "привет");
    EXPECT_EQ(engine.convertSelectionSmart("qwe", std::nullopt).targetLanguage, "uk");
    EXPECT_EQ(RulesEngine(testConfig({"en", "ru", "uk"})).convertSelectionSmart("qwe", {}).targetLanguage,
              "ru");
    // The active layout never changes the result.
    for (const char* source : {"en", "ru", "uk"}) {
        EXPECT_EQ(engine.convertSelectionSmart("ghbdsn", std::string(source)),
                  engine.convertSelectionSmart("ghbdsn", std::nullopt));
    }
    // Nothing to convert, or no Cyrillic language to convert to, leaves the text alone.
    EXPECT_EQ(engine.convertSelectionSmart("123 !?", std::nullopt), (ManualConversionResult{"123 !?", "en"}));
    EXPECT_EQ(RulesEngine(testConfig({"en"})).convertSelectionSmart("ghbdtn", std::nullopt),
              (ManualConversionResult{"ghbdtn", "en"}));
}

TEST(ManualConversion, ToAChosenLanguage) {
    const RulesEngine engine(testConfig({"en", "uk", "ru"}));
    EXPECT_EQ(engine.convertSelection("ghbdtn", "uk"), (ManualConversionResult{"привет", "uk"}));
    EXPECT_EQ(engine.convertSelection("ghbdsn", "ru"), (ManualConversionResult{"привыт", "ru"}));
    EXPECT_EQ(engine.convertSelection("ЕЗІ", "en"), (ManualConversionResult{"TPS", "en"}));
    EXPECT_EQ(engine.convertSelection("привыт", "uk"), (ManualConversionResult{"привіт", "uk"}));
    EXPECT_EQ(engine.convertSelection("їжак", "ru"), (ManualConversionResult{"ъжак", "ru"}));
    // No Cyrillic language active: Cyrillic text converted to Russian is taken as Ukrainian.
    EXPECT_EQ(RulesEngine(testConfig({"en"})).convertSelection("її", "ru").text, "ъъ");
}

TEST(Diagnostics, ExplainTheSameDecisionAsEvaluateWithEveryCompetingDirection) {
    RulesEngine engine(testConfig());
    const char* words[] = {"ghbdtn",        "Ghbdtn,", "ghbdsn", "руддщ",  "іфьу",   "привыт", "сїезд",
                           "hello",         "привет",  "g",      "ghbвет", "lol",    "Ntcn",   "ds",
                           "https://x.com", "ghbdtn2", ",skj",   "vskj",   "qwerty", "ytn",    "yt",
                           "ЙЦУК",          "ok.",     "wtyf",   "ekbwf",  "--"};
    for (const char* word : words) {
        for (const auto& session : {std::optional<std::string>(), std::optional<std::string>("en")}) {
            RulesDecision live = engine.evaluate(word, "", false, std::nullopt, session);
            RulesDiagnostic explained = engine.diagnose(word, "", false, session);
            EXPECT_EQ(explained.decision.shouldCorrect(), live.shouldCorrect()) << word;
            EXPECT_EQ(explained.decision.correctedToken, live.correctedToken) << word;
            EXPECT_EQ(explained.decision.reason, live.reason) << word;
            EXPECT_DOUBLE_EQ(explained.decision.confidence, live.confidence) << word;
            EXPECT_EQ(explained.decision.targetLanguage, live.targetLanguage) << word;
        }
    }

    // Every competing direction is recorded with its scores.
    RulesDiagnostic d = engine.diagnose("ghbdtn", "", false, std::nullopt);
    EXPECT_EQ(d.detectedDirection, "RU_TYPED_AS_EN");
    EXPECT_EQ(d.candidate, "привет");
    ASSERT_TRUE(d.originalDetail && d.candidateDetail);
    EXPECT_EQ(d.originalDetail->bigrams.size(), 5u);
    EXPECT_DOUBLE_EQ(*d.delta, d.candidateDetail->total() - d.originalDetail->total());
    ASSERT_EQ(d.competingDirections.size(), 2u);
    EXPECT_EQ(d.competingDirections[1].detectedDirection, "UK_TYPED_AS_EN");

    RulesDiagnostic gated = engine.diagnose("g", "", false, std::nullopt);
    EXPECT_FALSE(gated.detectedDirection.has_value());
    EXPECT_TRUE(gated.competingDirections.empty());
    EXPECT_EQ(gated.decision.reason, DecisionReason::tooShort);

    RulesDiagnostic mixed = engine.diagnose("ghbвет", "", false, std::nullopt);
    EXPECT_EQ(mixed.detectedDirection.value_or("").rfind("MIXED_DUAL_winner=", 0), 0u);
}
