// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/LetterTables.h"

#include <gtest/gtest.h>

using namespace keyvane;

TEST(LetterTables, AnswerAsTheLanguagesOwnListsDo) {
    const RulesConfig config = keyvane::testing::testConfig();
    for (const auto& [key, language] : config.languages) {
        LanguageConfig withClusters = language;
        withClusters.bigramLogWeights["e\xCC\x81t"] = -0.25; // an accented letter, then "t"
        withClusters.vowels.insert("e\xCC\x81");
        withClusters.microDictionary.insert("пам'ять");
        const LetterTables letters(withClusters);
        for (const char* text : {"ghbdtn", "привіт", "пам'ятью", "e\xCC\x81tre", "hello", "щось", "yes"}) {
            const Word word(text);
            for (std::size_t i = 0; i < word.length(); ++i) {
                EXPECT_EQ(letters.isVowel(word, i), withClusters.vowels.contains(word.character(i)))
                    << key << " " << text << " " << i;
                if (i + 1 < word.length()) {
                    auto listed = withClusters.bigramLogWeights.find(word.characters(i, i + 2));
                    EXPECT_EQ(letters.pairWeight(word, i), listed == withClusters.bigramLogWeights.end()
                                                               ? std::nullopt
                                                               : std::optional(listed->second))
                        << key << " " << text << " " << i;
                }
            }
            bool frequentBeginning = false;
            for (std::size_t n = 4; n <= word.length(); ++n) {
                frequentBeginning =
                    frequentBeginning || withClusters.microDictionary.contains(word.characters(0, n));
            }
            if (frequentBeginning) {
                EXPECT_TRUE(letters.mayStartWithFrequentWord(word)) << key << " " << text;
            }
        }
    }
}
