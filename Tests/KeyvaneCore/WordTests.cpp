// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesEngineInternals.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/Word.h"

#include <gtest/gtest.h>

using namespace keyvane;

TEST(Word, SplitsIntoTheCharactersTheUserSeesAsTheCharacterIteratorDoes) {
    // Plain letters, a letter with a combining accent, CR LF, an emoji with its skin tone, a bad
    // byte (read as U+FFFD), a control character, a capital whose small form is two code points,
    // a Cyrillic letter with a combining titlo.
    for (const char* text :
         {"", "ghbdtn,", "привіт", "пам'ять", "б\xD2\x83в", "e\xCC\x81t", "a\r\nb", "👍🏽x",
          "\xFF"
          "ab",
          "\x01x", "İı"}) {
        const Word word(text);
        const std::vector<std::string> expected = UnicodeText::graphemes(text);
        ASSERT_EQ(word.length(), expected.size()) << text;
        std::string joined;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(word.character(i), expected[i]) << text << " at " << i;
            joined += expected[i];
        }
        EXPECT_EQ(word.text(), joined);
        // A word split again in place of a longer one, of characters joined or not, is split alike.
        for (const char* before : {"a longer word than any here", "e\xCC\x81\xCC\x81"
                                                                  "e\xCC\x81 joined marks"}) {
            Word reused(before);
            reused.assign(text);
            ASSERT_EQ(reused.length(), word.length()) << before << " then " << text;
            EXPECT_EQ(reused.text(), word.text());
            for (std::size_t i = 0; i < word.length(); ++i) {
                EXPECT_EQ(reused.character(i), word.character(i));
                EXPECT_EQ(reused.smallCodePoint(i), word.smallCodePoint(i));
            }
        }
        // Its first characters are the split of its first characters' text.
        for (std::size_t count = 0; count <= word.length(); ++count) {
            const Word first = word.prefix(count);
            const Word again(count == 0 ? std::string_view() : word.characters(0, count));
            ASSERT_EQ(first.length(), again.length()) << text << " " << count;
            EXPECT_EQ(first.text(), again.text());
            if (count > 0) {
                EXPECT_EQ(first.character(count - 1), again.character(count - 1));
            }
        }
    }
    const Word word("жe\xCC\x81👍");
    EXPECT_EQ(word.characters(0, 2), "жe\xCC\x81");
    EXPECT_EQ(word.smallCodePoint(0), U'ж');
    EXPECT_EQ(word.smallCodePoint(1), Word::noCodePoint); // two code points
    EXPECT_EQ(word.smallCodePoint(2), Word::noCodePoint); // past U+07FF
}

TEST(Word, OnlyThePunctuationAroundATypedWordIsLeftOutOfItsScore) {
    // Letters at both ends, punctuation at either, a mark or a prefixed sign that joins the last
    // letter, a single letter, bad bytes.
    for (const char* text : {"привіт", "ghbdtn,", "(файл)", "nj;t", "e\xCC\x81", "ae\xCC\x81", "ab\xD8\x80z",
                             "ж", "жж", "'ok'", "a\xFF",
                             "\xFF"
                             "a",
                             "12ab", "ab12"}) {
        EXPECT_EQ(RulesEvaluation::sanitizeSourceForScoring(text),
                  UnicodeText::trim(text, [](std::string_view c) { return !UnicodeText::isLetter(c); }))
            << text;
    }
}
