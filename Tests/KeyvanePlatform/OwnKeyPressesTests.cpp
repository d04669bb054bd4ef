// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own typed keys are told from another XTest client's, so that a key the user
// typed is never dropped from the word and one of the program's never added to it.

#include "KeyvanePlatform/x11/OwnKeyPresses.h"

#include <gtest/gtest.h>

using namespace keyvane;

namespace {
constexpr unsigned int quiet = 200;
constexpr unsigned int b = 56, h = 43, v = 55, y = 29, space = 65, backspace = 22;
} // namespace

TEST(OwnKeyPresses, AnotherClientsPressOfTheSameKeyBeforeOursComesBackStaysTheirs) {
    OwnKeyPresses own(quiet);
    own.posted({backspace}, 0.0);
    own.posted({b}, 0.0); // "и" on the key B
    own.posted({y}, 0.0);
    // The server: our erase, then another client's "v b h", then our retype.
    EXPECT_TRUE(own.take(quiet, 0.1));
    EXPECT_TRUE(own.take(backspace, 0.1));
    EXPECT_FALSE(own.take(v, 0.1));
    EXPECT_FALSE(own.take(b, 0.1)) << "the other client's B was taken for ours";
    EXPECT_FALSE(own.take(h, 0.1));
    EXPECT_TRUE(own.take(quiet, 0.1));
    EXPECT_TRUE(own.take(b, 0.1)) << "our own B was taken for the user's";
    EXPECT_TRUE(own.take(quiet, 0.1));
    EXPECT_FALSE(own.take(space, 0.1)) << "a press inside our post, from elsewhere";
    EXPECT_TRUE(own.take(y, 0.1));
    EXPECT_FALSE(own.take(b, 0.1)) << "nothing of ours is awaited any more";
}

TEST(OwnKeyPresses, APostWhosePressesNeverCameBackIsGivenUp) {
    OwnKeyPresses own(quiet);
    own.posted({b, h}, 0.0);
    own.posted({v}, 0.0);
    EXPECT_TRUE(own.take(quiet, 0.1));
    EXPECT_TRUE(own.take(b, 0.1));
    // The next post began: the H of the one before is no longer awaited.
    EXPECT_TRUE(own.take(quiet, 0.1));
    EXPECT_FALSE(own.take(h, 0.1));
    EXPECT_TRUE(own.take(v, 0.1));

    own.posted({b}, 1.0);
    EXPECT_TRUE(own.take(quiet, 1.1));
    EXPECT_FALSE(own.take(b, 4.0)) << "a press that came back too late for any post";
    own.posted({h}, 5.0);
    EXPECT_TRUE(own.take(quiet, 5.1));
    EXPECT_TRUE(own.take(h, 5.1)) << "the next post is ours as usual";
}

TEST(OwnKeyPresses, WithoutAQuietKeyTheOldestAwaitedPressIsTheNextOfOurs) {
    OwnKeyPresses own(0);
    own.posted({b, h}, 0.0);
    own.posted({}, 0.0);
    own.posted({v}, 0.0);
    EXPECT_FALSE(own.take(space, 0.1));
    EXPECT_TRUE(own.take(b, 0.1));
    EXPECT_TRUE(own.take(h, 0.1));
    EXPECT_TRUE(own.take(v, 0.1));
    EXPECT_FALSE(own.take(v, 0.1)) << "nothing of ours is awaited any more";
}
