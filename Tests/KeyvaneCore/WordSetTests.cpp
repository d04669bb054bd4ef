// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/WordSet.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace keyvane;

TEST(WordSet, FindsExactlyTheWordsPutInIt) {
    // Words of every length up to twenty, alike at both ends and differing only in the middle, each
    // put in twice; the set grows past its first size on the way.
    std::set<std::string> added;
    WordSet::Builder builder(4);
    for (std::size_t length = 1; length <= 20; ++length) {
        for (const char middle : {'a', 'b', 'c'}) {
            std::string word(length, 'x');
            word[length / 2] = middle;
            builder.insert(word);
            builder.insert(word);
            added.insert(word);
        }
    }
    const WordSet set = builder.build();
    EXPECT_EQ(set.size(), added.size());
    for (std::size_t length = 1; length <= 20; ++length) {
        for (const char middle : {'a', 'b', 'c', 'd', 'x'}) {
            std::string word(length, 'x');
            word[length / 2] = middle;
            EXPECT_EQ(set.contains(word), added.contains(word)) << word;
        }
    }
    EXPECT_FALSE(set.contains(""));
}
