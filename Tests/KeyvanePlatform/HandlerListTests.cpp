// SPDX-License-Identifier: GPL-3.0-or-later
// A handler is called exactly while its registration lives, whatever order things end in.

#include "KeyvanePlatform/HandlerList.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

using namespace keyvane;

TEST(HandlerList, AHandlerIsCalledWhileItsRegistrationLivesAndNeverAfter) {
    HandlerList<const std::string&> list;
    std::string heard;
    std::optional<Registration> first = list.add([&](const std::string& word) { heard += "1" + word; });
    Registration second = list.add([&](const std::string& word) { heard += "2" + word; });
    list.call("a");
    EXPECT_EQ(heard, "1a2a") << "in the order they were added";

    Registration moved = std::move(second); // a moved registration keeps its handler
    list.call("b");
    EXPECT_EQ(heard, "1a2a1b2b");
    first.reset();
    list.call("c");
    EXPECT_EQ(heard, "1a2a1b2b2c");
    moved.reset();
    list.call("d");
    EXPECT_EQ(heard, "1a2a1b2b2c");
    EXPECT_TRUE(list.empty());
}

TEST(HandlerList, AHandlerTakenOutByAnEarlierOneIsNotCalledAndARegistrationMayOutliveItsList) {
    std::optional<Registration> later;
    int laterCalls = 0;
    std::optional<Registration> earlier;
    {
        HandlerList<> list;
        earlier.emplace(list.add([&] { later.reset(); }));
        later.emplace(list.add([&] { ++laterCalls; }));
        list.call();
        EXPECT_EQ(laterCalls, 0) << "called after it was taken out";
    }
    earlier.reset(); // the list is gone: nothing to take out, and nothing breaks
}
