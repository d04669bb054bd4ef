// SPDX-License-Identifier: GPL-3.0-or-later
// The words already typed on a line tell the language of the next one; Russian and Ukrainian,
// which share most letters, are told apart by it and by the full vocabularies.

#include "EngineTestConfig.h"
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/LineLanguageEvidence.h"
#include "KeyvaneCore/RulesEngine.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

// English, Russian and Ukrainian with the standard maps between all three, and words that are
// Russian only, Ukrainian only, or a form of each that the other layout types on the same keys.
RulesEngine threeLayoutEngine() {
    nlohmann::json rules = keyvane::testing::testRules();
    auto& maps = rules["keyboard_layout"]["maps"];
    for (const auto& [from, to] :
         {std::pair{"en", "uk"}, std::pair{"uk", "en"}, std::pair{"ru", "uk"}, std::pair{"uk", "ru"}}) {
        for (const auto& [key, value] : KeyboardMaps::defaultKeyboardMaps().at(LayoutDirection{from, to})) {
            maps[std::string(from) + "_to_" + to][key] = value;
        }
    }
    for (const char* word : {"файлы", "ты", "это", "системы", "нема", "ни", "дома"}) {
        rules["languages"]["ru"]["common_words"].push_back(word);
    }
    for (const char* word : {"файлі", "ті", "системі", "немає", "ні", "ніж", "дома"}) {
        rules["languages"]["uk"]["common_words"].push_back(word);
    }
    rules["languages"]["uk"]["micro_dictionary"] = {"ті", "ні", "ми"};
    rules["languages"]["ru"]["micro_dictionary"] = {"ты", "ни", "мы", "вы"};
    return RulesEngine(keyvane::testing::testConfig({"en", "ru", "uk"}, rules));
}

std::string typedOnLine(const RulesEngine& engine, const std::string& word,
                        const std::optional<std::string>& line) {
    RulesDecision d = engine.evaluate(word, "", false, std::nullopt, std::nullopt, LineContext{line, false});
    return d.shouldCorrect ? d.correctedToken.value_or("?") : word;
}

} // namespace

TEST(LineLanguage, TheLastWordsOfTheLineVoteAndTheNewestBreaksATie) {
    LineLanguageEvidence line;
    EXPECT_EQ(line.language(), std::nullopt);
    line.recordWord(std::string("ru"));
    line.recordWord(std::nullopt); // a word of two languages or of none tells nothing
    EXPECT_EQ(line.language(), "ru");
    line.recordWord(std::string("uk"));
    EXPECT_EQ(line.language(), "uk");
    line.recordWord(std::string("ru"));
    line.recordWord(std::string("ru"));
    EXPECT_EQ(line.language(), "ru");
    // Only the last few words vote: a line that moved to English follows it.
    for (std::size_t i = 0; i < LineLanguageEvidence::votingWords; ++i) {
        line.recordWord(std::string("en"));
    }
    EXPECT_EQ(line.language(), "en");
    line.newLine();
    EXPECT_EQ(line.language(), std::nullopt);
}

TEST(LineLanguage, ALineIsTypedOnOneLayoutAndCorrectionsShowItIsTheWrongOne) {
    LineLanguageEvidence line;
    line.useLayout("uk");
    line.recordWord(std::string("uk"));
    EXPECT_EQ(line.context().language, "uk");
    EXPECT_FALSE(line.context().typedOnWrongLayout);
    line.useLayout("uk"); // the same layout: the same line
    line.recordWord(std::string("en"), /*corrected=*/true);
    line.recordWord(std::string("en"), /*corrected=*/true);
    EXPECT_EQ(line.context().language, "en");
    EXPECT_TRUE(line.context().typedOnWrongLayout);
    // The user switched to English: what was typed on Ukrainian keys says nothing any more.
    line.useLayout("en");
    EXPECT_EQ(line.context().language, std::nullopt);
    EXPECT_FALSE(line.context().typedOnWrongLayout);
}

TEST(LineLanguage, AWordLeftAloneCountsForTheOneLanguageThatHasIt) {
    RulesEngine engine = threeLayoutEngine();
    LineLanguageEvidence line;
    line.recordWord(engine, "файл", engine.evaluate("файл", "", false, std::nullopt, std::nullopt));
    EXPECT_EQ(line.language(), std::nullopt); // no word of the test lists
    line.recordWord(engine, "Что,", engine.evaluate("Что,", "", false, std::nullopt, std::nullopt));
    EXPECT_EQ(line.language(), "ru");
    const RulesDecision corrected = engine.evaluate("ghbdsn", "", false, std::nullopt, std::nullopt);
    ASSERT_TRUE(corrected.shouldCorrect);
    line.recordWord(engine, "ghbdsn", corrected);
    line.recordWord(engine, "ghbdsn", corrected);
    EXPECT_EQ(line.language(), "uk"); // "привіт", corrected into Ukrainian twice
    // A correction into a word of both Cyrillic languages says nothing, whichever reading won.
    line.newLine();
    const RulesDecision shared = engine.evaluate("ljvf", "", false, std::nullopt, std::nullopt);
    ASSERT_TRUE(shared.shouldCorrect);
    line.recordWord(engine, "ljvf", shared);
    EXPECT_EQ(line.language(), std::nullopt);
}

TEST(LineLanguage, ARussianLineTakesBackRussianTypedOnTheUkrainianLayout) {
    RulesEngine engine = threeLayoutEngine();
    // "файлы" on the Ukrainian layout is "файлі", a Ukrainian word: only the line can tell.
    EXPECT_EQ(typedOnLine(engine, "файлі", std::nullopt), "файлі");
    EXPECT_EQ(typedOnLine(engine, "файлі", "ru"), "файлы");
    EXPECT_EQ(typedOnLine(engine, "Системі,", "ru"), "Системы,");
    EXPECT_EQ(typedOnLine(engine, "ті", "ru"), "ты");
    // A Ukrainian line keeps its words, and so does an English one.
    EXPECT_EQ(typedOnLine(engine, "файлі", "uk"), "файлі");
    EXPECT_EQ(typedOnLine(engine, "ті", "uk"), "ті");
    EXPECT_EQ(typedOnLine(engine, "ті", "en"), "ті");
    // And back: Ukrainian typed on the Russian layout in a Ukrainian line.
    EXPECT_EQ(typedOnLine(engine, "файлы", "uk"), "файлі");
    EXPECT_EQ(typedOnLine(engine, "файлы", "ru"), "файлы");
}

TEST(LineLanguage, AShortWordWhoseTypedFormIsNoWordIsCorrectedWithoutTheLine) {
    RulesEngine engine = threeLayoutEngine();
    // "это" on the Ukrainian layout is "єто", no Ukrainian word.
    EXPECT_EQ(typedOnLine(engine, "єто", std::nullopt), "это");
    EXPECT_EQ(typedOnLine(engine, "Єто", std::nullopt), "Это");
}

TEST(LineLanguage, OfTwoReadingsOfEnglishKeysTheLinesLanguageWins) {
    RulesEngine engine = threeLayoutEngine();
    // "afqks" is "файлы" on the Russian layout and "файлі" on the Ukrainian one.
    EXPECT_EQ(typedOnLine(engine, "afqks", "ru"), "файлы");
    EXPECT_EQ(typedOnLine(engine, "afqks", "uk"), "файлі");
    EXPECT_EQ(typedOnLine(engine, "cbcntvs", "uk"), "системі");
}

TEST(LineLanguage, AKeyThatIsALetterInBothReadingsStaysALetter) {
    RulesEngine engine = threeLayoutEngine();
    // "немає" on English keys ends in "'": "нема" with an apostrophe is a word too, but the key
    // was typed as part of the word.
    EXPECT_EQ(typedOnLine(engine, "ytvf'", "uk"), "немає");
    EXPECT_EQ(typedOnLine(engine, "ys;", "uk"), "ніж");
}
