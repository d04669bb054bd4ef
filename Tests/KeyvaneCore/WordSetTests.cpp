// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/WordSet.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace keyvane;

TEST(WordSet, FindsExactlyTheWordsPutInIt) {
    // Words of every length up to twenty, many alike at both ends and differing only inside, each
    // put in twice; the set grows past its first size on the way.
    std::set<std::string> added;
    WordSet::Builder builder(4);
    for (std::size_t length = 0; length <= 20; ++length) {
        for (char middle : {'a', 'b', 'c'}) {
            std::string word(length, 'x');
            if (length > 0) {
                word[length / 2] = middle;
            }
            for (int twice = 0; twice < 2; ++twice) {
                builder.insert(word);
            }
            added.insert(word);
        }
    }
    builder.insert("привіт");
    added.insert("привіт");
    const WordSet set = builder.build();
    EXPECT_EQ(set.size(), added.size());
    for (const std::string& word : added) {
        EXPECT_TRUE(set.contains(word)) << word;
    }
    for (std::size_t length = 1; length <= 20; ++length) {
        std::string other(length, 'x');
        other[length / 2] = 'd';
        EXPECT_FALSE(set.contains(other)) << other;
        if (length > 1) {
            std::string moved(length, 'x');
            moved[0] = 'a';
            EXPECT_EQ(set.contains(moved), added.contains(moved)) << moved;
        }
    }
    EXPECT_FALSE(set.contains("привет"));
    EXPECT_FALSE(WordSet().contains(""));
}
