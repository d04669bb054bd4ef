// SPDX-License-Identifier: GPL-3.0-or-later
// Words typed key for key on the wrong layout, punctuation keys included, come back as meant.

#include "EngineTestConfig.h"
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesEngine.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

// The test configuration's maps with the punctuation keys of the standard layouts: the Russian
// and Ukrainian full stop is on the "/" key and their comma is Shift+"/", "?" is Shift+7, ":" Shift+6.
RulesEngine keyForKeyEngine() {
    nlohmann::json rules = keyvane::testing::testRules();
    auto& maps = rules["keyboard_layout"]["maps"];
    for (const auto& [from, to] : {std::pair{"en", "uk"}, std::pair{"uk", "en"}}) { // built-in letters
        for (const auto& [key, value] : KeyboardMaps::defaultKeyboardMaps().at(LayoutDirection{from, to})) {
            maps[std::string(from) + "_to_" + to][key] = value;
        }
    }
    for (const std::string cyrillic : {"ru", "uk"}) {
        maps["en_to_" + cyrillic]["/"] = ".";
        maps[cyrillic + "_to_en"]["."] = "/";
        for (const auto& [en, other] : std::vector<std::pair<std::string, std::string>>{
                 {"?", ","}, {"&", "?"}, {"^", ":"}, {"$", ";"}, {"@", "\""}}) {
            maps["en_to_" + cyrillic + "_shift"][en] = other;
            maps[cyrillic + "_to_en_shift"][other] = en;
        }
    }
    // Punctuation is never part of an English word: a candidate scored with its full stop loses.
    rules["languages"]["en"]["impossible_patterns"] = {"[a-z][.,;]"};
    auto& en = rules["languages"]["en"]["common_words"];
    for (const char* word : {"done", "fine", "isn't", "when", "et", "to"}) {
        en.push_back(word);
    }
    auto& ru = rules["languages"]["ru"]["common_words"];
    for (const char* word : {"тоже", "уже", "двадцать", "зачем", "вечером", "ещё", "небо"}) {
        ru.push_back(word);
    }
    return RulesEngine(keyvane::testing::testConfig({"en", "ru", "uk"}, rules));
}

std::string typed(const RulesEngine& engine, const std::string& word) {
    RulesDecision d = engine.evaluate(word, "", false, std::nullopt, std::nullopt);
    return d.shouldCorrect ? d.correctedToken.value_or("?") : word;
}

} // namespace

TEST(KeyForKey, PunctuationKeysInsideAWordAreItsLetters) {
    RulesEngine engine = keyForKeyEngine();
    EXPECT_EQ(typed(engine, "nj;t"), "тоже");
    // "et" is an English word, but the ";" inside is no part of an English word.
    EXPECT_EQ(typed(engine, "e;t"), "уже");
    EXPECT_EQ(typed(engine, "yt,j/"), "небо.");
}

TEST(KeyForKey, ACandidateEndingInPunctuationIsScoredWithoutIt) {
    RulesEngine engine = keyForKeyEngine();
    EXPECT_EQ(typed(engine, "вщтую"), "done.");
    EXPECT_EQ(typed(engine, "Аштуб"), "Fine,");
    EXPECT_EQ(typed(engine, "шытэе"), "isn't");
    // Only sentence punctuation may end a word: "ещё" is not "to" and a stray "`".
    EXPECT_EQ(typed(engine, "ещё"), "ещё");
}

TEST(KeyForKey, PunctuationTypedOnTheWrongLayoutComesOutAsTheMeantPunctuation) {
    RulesEngine engine = keyForKeyEngine();
    EXPECT_EQ(typed(engine, "ldflwfnm?"), "двадцать,");
    EXPECT_EQ(typed(engine, "pfxtv&"), "зачем?");
    EXPECT_EQ(typed(engine, "dtxthjv/"), "вечером.");
    EXPECT_EQ(typed(engine, "Ghbdtn^"), "Привет:");
    EXPECT_EQ(typed(engine, "црут,"), "when?");
    EXPECT_EQ(typed(engine, "ntcn?"), "тест,"); // a learned pair alike
}

TEST(KeyForKey, PunctuationTypedAsPunctuationOnPurposeStays) {
    RulesEngine engine = keyForKeyEngine();
    EXPECT_EQ(typed(engine, "hello,"), "hello,");
    EXPECT_EQ(typed(engine, "world."), "world.");
    // The "," key is "б", but "приветб" is no word and "привет" is: a comma typed as a comma.
    EXPECT_EQ(typed(engine, "ghbdtn,"), "привет,");
    EXPECT_EQ(typed(engine, "vbh!"), "мир!");
    EXPECT_EQ(typed(engine, "привет,"), "привет,");
}
