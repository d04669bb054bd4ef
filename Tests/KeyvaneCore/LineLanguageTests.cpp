// SPDX-License-Identifier: GPL-3.0-or-later
// The words already typed on a line tell the language of the next one; Russian and Ukrainian,
// which share most letters, are told apart by it and by the full vocabularies.

#include "EngineTestConfig.h"
#include "KeyvaneCore/LineLanguageEvidence.h"
#include "KeyvaneCore/RulesEngine.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

// English, Russian and Ukrainian with the standard maps between all three, and words that are
// Russian only, Ukrainian only, or a form of each that the other layout types on the same keys.
RulesEngine threeLayoutEngine() {
    nlohmann::json rules = keyvane::testing::testRules();
    keyvane::testing::addBuiltInMaps(
        rules, {LayoutDirection{Language::en, Language::uk}, LayoutDirection{Language::uk, Language::en},
                LayoutDirection{Language::ru, Language::uk}, LayoutDirection{Language::uk, Language::ru}});
    for (const char* word : {"файлы", "ты", "это", "системы", "нема", "ни", "дома"}) {
        rules["languages"]["ru"]["common_words"].push_back(word);
    }
    for (const char* word : {"файлі", "ті", "системі", "немає", "ні", "ніж", "дома", "і"}) {
        rules["languages"]["uk"]["common_words"].push_back(word);
    }
    rules["languages"]["uk"]["micro_dictionary"] = {"ті", "ні", "ми"};
    rules["languages"]["ru"]["micro_dictionary"] = {"ты", "ни", "мы", "вы"};
    return RulesEngine(keyvane::testing::testConfig({Language::en, Language::ru, Language::uk}, rules));
}

} // namespace

TEST(LineLanguage, TheLastWordsOfTheLineVoteAndTheNewestBreaksATie) {
    LineLanguageEvidence line;
    EXPECT_EQ(line.language(), std::nullopt);
    line.recordWord(Language::ru);
    line.recordWord(std::nullopt); // a word of two languages or of none tells nothing
    EXPECT_EQ(line.language(), Language::ru);
    line.recordWord(Language::uk);
    EXPECT_EQ(line.language(), Language::uk);
    line.recordWord(Language::ru);
    line.recordWord(Language::ru);
    EXPECT_EQ(line.language(), Language::ru);
    line.recordWord(Language::uk);
    EXPECT_EQ(line.language(), Language::ru) << "three votes to two";
    // Only the last few words vote: a line that moved to English follows it.
    for (std::size_t i = 0; i < LineLanguageEvidence::votingWords; ++i) {
        line.recordWord(Language::en);
    }
    EXPECT_EQ(line.language(), Language::en);
    line.newLine();
    EXPECT_EQ(line.language(), std::nullopt);
}

TEST(LineLanguage, ALineIsTypedOnOneLayoutAndCorrectionsShowItIsTheWrongOne) {
    LineLanguageEvidence line;
    line.useLayout(Language::uk);
    line.recordWord(Language::uk);
    EXPECT_EQ(line.context().language, Language::uk);
    EXPECT_FALSE(line.context().typedOnWrongLayout);
    line.useLayout(Language::uk); // the same layout: the same line
    line.recordWord(Language::en, /*corrected=*/true);
    line.recordWord(Language::en, /*corrected=*/true);
    EXPECT_EQ(line.context().language, Language::en);
    EXPECT_TRUE(line.context().typedOnWrongLayout);
    // The user switched to English: what was typed on Ukrainian keys says nothing any more.
    line.useLayout(Language::en);
    EXPECT_EQ(line.context().language, std::nullopt);
    EXPECT_FALSE(line.context().typedOnWrongLayout);
}

TEST(LineLanguage, AWordLeftAloneCountsForTheOneLanguageThatHasIt) {
    RulesEngine engine = threeLayoutEngine();
    LineLanguageEvidence line;
    line.recordWord(engine, "файл", engine.evaluate("файл", "", false, std::nullopt, std::nullopt));
    EXPECT_EQ(line.language(), std::nullopt); // no word of the test lists
    line.recordWord(engine, "Что,", engine.evaluate("Что,", "", false, std::nullopt, std::nullopt));
    EXPECT_EQ(line.language(), Language::ru);
    const RulesDecision corrected = engine.evaluate("ghbdsn", "", false, std::nullopt, std::nullopt);
    ASSERT_TRUE(corrected.shouldCorrect());
    line.recordWord(engine, "ghbdsn", corrected);
    line.recordWord(engine, "ghbdsn", corrected);
    EXPECT_EQ(line.language(), Language::uk); // "привіт", corrected into Ukrainian twice
    // A correction into a word of both Cyrillic languages says nothing, whichever reading won.
    line.newLine();
    const RulesDecision shared = engine.evaluate("ljvf", "", false, std::nullopt, std::nullopt);
    ASSERT_TRUE(shared.shouldCorrect());
    line.recordWord(engine, "ljvf", shared);
    EXPECT_EQ(line.language(), std::nullopt);
    // Nor does a word of one letter, though a language lists it.
    line.recordWord(engine, "і", engine.evaluate("і", "", false, std::nullopt, std::nullopt));
    line.recordWord(engine, "(І)", engine.evaluate("(І)", "", false, std::nullopt, std::nullopt));
    EXPECT_EQ(line.language(), std::nullopt);
}

TEST(LineLanguage, OfTheReadingsOfAWordTheLinesLanguageDecides) {
    RulesEngine engine = threeLayoutEngine();
    // "файлы" on the Ukrainian layout is "файлі", a Ukrainian word: only a Russian line takes it
    // back, and back again a Ukrainian line takes "файлі" typed on the Russian layout; Ukrainian and
    // English lines keep their words. "это" on the Ukrainian layout is "єто", no Ukrainian word, so
    // it is taken back without the line. English keys read as Russian or Ukrainian go the line's
    // way: "afqks" is "файлы" on the Russian layout and "файлі" on the Ukrainian one. "немає" on
    // English keys ends in "'": "нема" with an apostrophe is a word too, but the key was typed as
    // part of the word.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"файлі", nullptr, "файлі"}, {"файлі", "ru", "файлы"},     {"Системі,", "ru", "Системы,"},
        {"ті", "ru", "ты"},          {"файлі", "uk", "файлі"},     {"ті", "uk", "ті"},
        {"ті", "en", "ті"},          {"файлы", "uk", "файлі"},     {"файлы", "ru", "файлы"},
        {"єто", nullptr, "это"},     {"Єто", nullptr, "Это"},      {"afqks", "ru", "файлы"},
        {"afqks", "uk", "файлі"},    {"cbcntvs", "uk", "системі"}, {"ytvf'", "uk", "немає"},
        {"ys;", "uk", "ніж"}};
    for (const auto& [word, line, meant] : cases) {
        const LineContext context{line ? languageFromString(line) : std::nullopt, false};
        EXPECT_EQ(keyvane::testing::typedWord(engine, word, context), meant)
            << word << " " << (line ? line : "");
    }
}
