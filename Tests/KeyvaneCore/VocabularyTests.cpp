// SPDX-License-Identifier: GPL-3.0-or-later
// The full vocabulary: a trie file written whole with its filter, mapped back, exact in its
// answers, and never trusted when damaged.

#include "../TempHome.h"
#include "KeyvaneCore/Vocabulary.h"
#include "KeyvaneCore/WordFilter.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>

using namespace keyvane;

TEST(Vocabulary, AWrittenFileMapsBackWithEveryWordAndNoOtherAndADamagedOneNotAtAll) {
    keyvane::testing::TempHome home;
    const std::string path = home.path() + "/vocabulary_uk.marisa";
    ASSERT_TRUE(Vocabulary::write({"полі", "книзі", "надворі", "м'ята"}, path));
    auto vocabulary = Vocabulary::map(path);
    ASSERT_NE(vocabulary, nullptr);
    EXPECT_EQ(vocabulary->size(), 4u);
    EXPECT_TRUE(vocabulary->contains("книзі"));
    EXPECT_TRUE(vocabulary->contains("м'ята"));
    EXPECT_FALSE(vocabulary->contains("книз")); // a prefix is no word
    EXPECT_FALSE(vocabulary->contains("полы"));
    EXPECT_FALSE(vocabulary->contains(""));

    // A missing or damaged file gives no vocabulary, and one that cannot be written says so.
    EXPECT_EQ(Vocabulary::map(home.path() + "/absent.marisa"), nullptr);
    const std::string damaged = home.path() + "/damaged.marisa";
    std::ofstream(damaged) << "not a trie";
    EXPECT_EQ(Vocabulary::map(damaged), nullptr);
    EXPECT_FALSE(Vocabulary::write({"word"}, home.path() + "/no/such/dir/v.marisa"));
}

namespace {
// Word-like strings, distinct for distinct numbers.
std::vector<std::string> manyWords(std::size_t count, const std::string& stem) {
    std::vector<std::string> words;
    for (std::size_t i = 0; i < count; ++i) {
        words.push_back(stem + std::to_string(i * 7919 % 100003) + "ля");
    }
    return words;
}
} // namespace

TEST(Vocabulary, EveryWordIsFoundThroughItsFilterAndAFileWithoutOneStillAnswersExactly) {
    keyvane::testing::TempHome home;
    const std::vector<std::string> words = manyWords(20000, "сло");
    const std::vector<std::string> others = manyWords(20000, "слу");
    const std::string path = home.path() + "/vocabulary_ru.marisa";
    ASSERT_TRUE(Vocabulary::write(words, path));

    auto exact = [&](const std::shared_ptr<const Vocabulary>& vocabulary) {
        ASSERT_NE(vocabulary, nullptr);
        EXPECT_TRUE(std::all_of(words.begin(), words.end(),
                                [&](const std::string& w) { return vocabulary->contains(w); }));
        EXPECT_TRUE(std::none_of(others.begin(), others.end(),
                                 [&](const std::string& w) { return vocabulary->contains(w); }));
    };
    exact(Vocabulary::map(path));
    exact(Vocabulary::ofWords(words));

    // The filter turns away nearly every word it was not built with.
    const std::vector<std::uint64_t> blocks = WordFilter::build(words);
    const WordFilter filter(blocks.data(), blocks.size() / WordFilter::wordsPerBlock);
    const auto passed = std::count_if(others.begin(), others.end(),
                                      [&](const std::string& w) { return filter.mayContain(w); });
    EXPECT_LT(passed, 20000 / 20) << "of 20000 words not in the filter";

    // The trie alone (a file written before there were filters), and a file whose filter's
    // description at its end is damaged: either answers exactly or is refused.
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::uint64_t trieBytes = 0;
    std::memcpy(&trieBytes, bytes.data() + bytes.size() - 16, sizeof trieBytes);
    ASSERT_GT(trieBytes, 0u);
    ASSERT_LT(trieBytes, bytes.size());
    const std::string trieOnly = home.path() + "/trie-only.marisa";
    std::ofstream(trieOnly, std::ios::binary) << bytes.substr(0, trieBytes);
    exact(Vocabulary::map(trieOnly));
    std::string damagedBytes = bytes;
    damagedBytes[damagedBytes.size() - 8] ^= 0x01; // the block count
    const std::string damaged = home.path() + "/damaged-filter.marisa";
    std::ofstream(damaged, std::ios::binary) << damagedBytes;
    if (auto vocabulary = Vocabulary::map(damaged)) {
        exact(vocabulary);
    }
}

TEST(Vocabulary, WordsTakeOneByteALetterInTheTrieAndAnswerExactlyAsWritten) {
    keyvane::testing::TempHome home;
    const std::string path = home.path() + "/vocabulary_uk.marisa";
    ASSERT_TRUE(Vocabulary::write({"ґанок", "їжак", "м'ята", "що-небудь", "ёж", "єнот", "word"}, path));
    for (const auto& vocabulary :
         {Vocabulary::map(path),
          Vocabulary::ofWords({"ґанок", "їжак", "м'ята", "що-небудь", "ёж", "єнот", "word"})}) {
        ASSERT_NE(vocabulary, nullptr);
        EXPECT_EQ(vocabulary->size(), 7u);
        for (const char* word : {"ґанок", "їжак", "м'ята", "що-небудь", "ёж", "єнот", "word"}) {
            EXPECT_TRUE(vocabulary->contains(word)) << word;
        }
        // Letters next to those in the code, capitals (outside it), a broken sequence, and the
        // trie's own mark are no words.
        for (const char* other :
             {"ганок", "іжак", "м'ятa", "еж", "енот", "Ґанок", "ЇЖАК", "їжа\xD0", "\xFF"}) {
            EXPECT_FALSE(vocabulary->contains(other)) << other;
        }
    }
    // Behind the filter, a letter code shared by two letters would still be a wrong answer now
    // and then: every letter has its own byte, and none is the mark.
    std::set<std::string> codes;
    std::vector<std::string> letters = {"'", "-", "a", "z", "ґ"};
    for (char32_t c = U'а'; c <= U'џ'; ++c) { // а…я, then ѐ…џ (ё, є, і, ї among them)
        letters.push_back({static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))});
    }
    for (const std::string& letter : letters) {
        std::string code(letter.size(), '\0');
        const std::optional<std::size_t> length = Vocabulary::toLetterCode(letter, code.data());
        ASSERT_EQ(length, 1u) << letter;
        EXPECT_TRUE(codes.insert(code.substr(0, 1)).second) << letter;
        EXPECT_NE(code[0], '\xFF');
    }

    // A word with a letter beyond the code keeps every word as it is, still exact.
    const std::string plain = home.path() + "/vocabulary_en.marisa";
    ASSERT_TRUE(Vocabulary::write({"naïve", "ґанок", "\xFF"}, plain));
    auto vocabulary = Vocabulary::map(plain);
    ASSERT_NE(vocabulary, nullptr);
    EXPECT_TRUE(vocabulary->contains("naïve"));
    EXPECT_TRUE(vocabulary->contains("ґанок"));
    EXPECT_FALSE(vocabulary->contains("naive"));
    EXPECT_FALSE(vocabulary->contains("ганок"));
}
