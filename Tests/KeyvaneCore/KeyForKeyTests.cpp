// SPDX-License-Identifier: GPL-3.0-or-later
// Words typed key for key on the wrong layout, punctuation keys included, come back as meant.

#include "EngineTestConfig.h"
#include "KeyvaneCore/RulesEngine.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {

// The test configuration's maps with the punctuation keys of the standard layouts: the Russian
// and Ukrainian full stop is on the "/" key and their comma is Shift+"/", "?" is Shift+7, ":" Shift+6.
RulesEngine keyForKeyEngine() {
    nlohmann::json rules = keyvane::testing::testRules();
    keyvane::testing::addBuiltInMaps(rules,
                                     {LayoutDirection{Language::en, Language::uk},
                                      LayoutDirection{Language::uk, Language::en}}); // built-in letters
    auto& maps = rules["keyboard_layout"]["maps"];
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
    for (const char* word : {"done", "fine", "isn't", "when", "et", "to"}) {
        rules["languages"]["en"]["common_words"].push_back(word);
    }
    for (const char* word : {"тоже", "уже", "двадцать", "зачем", "вечером", "ещё", "небо"}) {
        rules["languages"]["ru"]["common_words"].push_back(word);
    }
    return RulesEngine(keyvane::testing::testConfig({Language::en, Language::ru, Language::uk}, rules));
}

} // namespace

TEST(KeyForKey, PunctuationKeysComeBackAsTheLettersOrThePunctuationMeant) {
    const RulesEngine engine = keyForKeyEngine();
    // Punctuation keys inside a word are its letters: "et" is an English word, but the ";" inside
    // is no part of an English word. A candidate ending in punctuation is scored without it, and
    // only sentence punctuation may end a word: "ещё" is not "to" and a stray "`". Punctuation
    // typed on the wrong layout comes out as the punctuation meant, after a learned pair ("ntcn")
    // alike. Punctuation typed as punctuation stays: the "," key is "б", but "приветб" is no word
    // and "привет" is.
    const std::pair<const char*, const char*> cases[] = {
        {"nj;t", "тоже"},     {"e;t", "уже"},           {"yt,j/", "небо."},     {"вщтую", "done."},
        {"Аштуб", "Fine,"},   {"шытэе", "isn't"},       {"ещё", "ещё"},         {"ldflwfnm?", "двадцать,"},
        {"pfxtv&", "зачем?"}, {"dtxthjv/", "вечером."}, {"Ghbdtn^", "Привет:"}, {"црут,", "when?"},
        {"ntcn?", "тест,"},   {"hello,", "hello,"},     {"world.", "world."},   {"ghbdtn,", "привет,"},
        {"vbh!", "мир!"},     {"привет,", "привет,"}};
    for (const auto& [word, meant] : cases) {
        EXPECT_EQ(keyvane::testing::typedWord(engine, word), meant) << word;
    }
}
