// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/LetterTables.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace keyvane;

TEST(LetterTables, AnswerAsTheLanguagesOwnListsDo) {
    const RulesConfig config = keyvane::testing::testConfig();
    for (const auto& [key, language] : config.languages) {
        LanguageConfig withClusters = language;
        withClusters.bigramLogWeights["e\xCC\x81t"] = -0.25; // an accented letter, then "t"
        withClusters.vowels.insert("e\xCC\x81");
        withClusters.microDictionary.insert("пам'ять");
        withClusters.strongWordStarts = {"при", "gh", "пам'"};
        withClusters.weakWordStarts = {"h", "щос", "привіт!"};
        withClusters.strongWordEnds = {"іт", "tn", "ью", "ghbdtn"};
        withClusters.weakWordEnds = {"ь", "s", "ятью", "ь", ""}; // "" ends every word
        const LetterTables letters(withClusters);
        for (const char* text : {"ghbdtn", "привіт", "пам'ятью", "пам'ять", "e\xCC\x81tre", "hello", "щось",
                                 "yes", "и", "не", "ghbdtnghbdtn", "приватністю", "щосьпривіт!", "hs", "ь"}) {
            const Word word(text);
            for (std::size_t i = 0; i < word.length(); ++i) {
                EXPECT_EQ(letters.isVowel(word, i), withClusters.vowels.contains(word.character(i)))
                    << key << " " << text << " " << i;
                if (i + 1 < word.length()) {
                    auto listed = withClusters.bigramLogWeights.find(word.characters(i, i + 2));
                    const double weight = letters.pairWeight(word, i);
                    if (listed == withClusters.bigramLogWeights.end()) {
                        EXPECT_TRUE(std::isnan(weight)) << key << " " << text << " " << i;
                    } else {
                        EXPECT_EQ(weight, listed->second) << key << " " << text << " " << i;
                    }
                }
            }
            using Affix = LetterTables::Affix;
            auto starts = [&](const std::vector<std::string>& list) {
                return std::any_of(list.begin(), list.end(),
                                   [&](const auto& s) { return word.text().starts_with(s); });
            };
            auto ends = [&](const std::vector<std::string>& list) {
                return std::any_of(list.begin(), list.end(),
                                   [&](const auto& s) { return word.text().ends_with(s); });
            };
            EXPECT_EQ(letters.hasAffix(Affix::strongStart, text), starts(withClusters.strongWordStarts))
                << text;
            EXPECT_EQ(letters.hasAffix(Affix::weakStart, text), starts(withClusters.weakWordStarts)) << text;
            EXPECT_EQ(letters.hasAffix(Affix::strongEnd, text), ends(withClusters.strongWordEnds)) << text;
            EXPECT_EQ(letters.hasAffix(Affix::weakEnd, text), ends(withClusters.weakWordEnds)) << text;
            bool frequentBeginning = false;
            for (std::size_t n = 4; n <= word.length(); ++n) {
                frequentBeginning =
                    frequentBeginning || withClusters.microDictionary.contains(word.characters(0, n));
            }
            EXPECT_EQ(letters.isFrequentWord(text), withClusters.microDictionary.contains(text)) << text;
            if (frequentBeginning) {
                EXPECT_TRUE(letters.mayStartWithFrequentWord(word)) << key << " " << text;
            }
        }
    }
}
