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
    tracker.recordWord(Language::ru);
    tracker.recordWord(std::nullopt); // a word without a language neither extends nor breaks the streak
    tracker.recordWord(Language::ru);
    EXPECT_FALSE(tracker.sessionLanguage().has_value());
    tracker.recordWord(Language::ru);
    EXPECT_EQ(tracker.sessionLanguage(), Language::ru);
    tracker.recordWord(Language::en);
    EXPECT_FALSE(tracker.sessionLanguage().has_value());
    tracker.reset();
    EXPECT_FALSE(tracker.sessionLanguage().has_value());

    // A streak of zero means the first word decides.
    SessionLanguageTracker eager(0);
    eager.recordWord(Language::uk);
    EXPECT_EQ(eager.sessionLanguage(), Language::uk);
}

TEST(ManualConversion, ASelectionGoesToTheLanguageItsWordsOrItsLettersSay) {
    const RulesEngine engine(testConfig({Language::en, Language::uk, Language::ru}));
    // Cyrillic text becomes Latin whichever Cyrillic layout it was typed in.
    EXPECT_EQ(engine.convertSelectionSmart("ЕЗІ", std::nullopt),
              (ManualConversionResult{"TPS", Language::en}));
    EXPECT_EQ(engine.convertSelectionSmart("привіт", std::nullopt),
              (ManualConversionResult{"ghbdsn", Language::en}));
    EXPECT_EQ(engine.convertSelectionSmart("привет", std::nullopt),
              (ManualConversionResult{"ghbdtn", Language::en}));
    EXPECT_EQ(engine.convertSelectionSmart("Руддщ, цщкдв!", std::nullopt).text, "Hello, world!");
    // As many Cyrillic as Latin letters counts as Cyrillic.
    EXPECT_EQ(engine.convertSelectionSmart("ab вг", std::nullopt).targetLanguage, Language::en);
    // Latin text goes to the Cyrillic language that knows the words; when neither does, the
    // higher-priority Cyrillic language wins.
    EXPECT_EQ(engine.convertSelectionSmart("ghbdsn", std::nullopt),
              (ManualConversionResult{"привіт", Language::uk}));
    EXPECT_EQ(engine.convertSelectionSmart("ghbdtn", std::nullopt).text, "привет");
    EXPECT_EQ(engine.convertSelectionSmart("qwe", std::nullopt).targetLanguage, Language::uk);
    EXPECT_EQ(RulesEngine(testConfig({Language::en, Language::ru, Language::uk}))
                  .convertSelectionSmart("qwe", {})
                  .targetLanguage,
              Language::ru);
    // The active layout never changes the result.
    for (Language source : allLanguages) {
        EXPECT_EQ(engine.convertSelectionSmart("ghbdsn", source),
                  engine.convertSelectionSmart("ghbdsn", std::nullopt));
    }
    // Nothing to convert, or no Cyrillic language to convert to, leaves the text alone.
    EXPECT_EQ(engine.convertSelectionSmart("123 !?", std::nullopt),
              (ManualConversionResult{"123 !?", Language::en}));
    EXPECT_EQ(RulesEngine(testConfig({Language::en})).convertSelectionSmart("ghbdtn", std::nullopt),
              (ManualConversionResult{"ghbdtn", Language::en}));
}

TEST(ManualConversion, ToAChosenLanguage) {
    const RulesEngine engine(testConfig({Language::en, Language::uk, Language::ru}));
    EXPECT_EQ(engine.convertSelection("ghbdtn", Language::uk),
              (ManualConversionResult{"привет", Language::uk}));
    EXPECT_EQ(engine.convertSelection("ghbdsn", Language::ru),
              (ManualConversionResult{"привыт", Language::ru}));
    EXPECT_EQ(engine.convertSelection("ЕЗІ", Language::en), (ManualConversionResult{"TPS", Language::en}));
    EXPECT_EQ(engine.convertSelection("привыт", Language::uk),
              (ManualConversionResult{"привіт", Language::uk}));
    EXPECT_EQ(engine.convertSelection("їжак", Language::ru), (ManualConversionResult{"ъжак", Language::ru}));
    // No Cyrillic language active: Cyrillic text converted to Russian is taken as Ukrainian.
    EXPECT_EQ(RulesEngine(testConfig({Language::en})).convertSelection("її", Language::ru).text, "ъъ");
}

TEST(Diagnostics, ExplainTheSameDecisionAsEvaluateWithEveryCompetingDirection) {
    RulesEngine engine(testConfig());
    const char* words[] = {"ghbdtn",        "Ghbdtn,", "ghbdsn", "руддщ",  "іфьу",   "привыт", "сїезд",
                           "hello",         "привет",  "g",      "ghbвет", "lol",    "Ntcn",   "ds",
                           "https://x.com", "ghbdtn2", ",skj",   "vskj",   "qwerty", "ytn",    "yt",
                           "ЙЦУК",          "ok.",     "wtyf",   "ekbwf",  "--"};
    for (const char* word : words) {
        for (const auto& session : {std::optional<Language>(), std::optional<Language>(Language::en)}) {
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
