// SPDX-License-Identifier: GPL-3.0-or-later
// What an input method sends to a field arrives in the order it was sent, whichever way it goes
// (keys or text), and the user's keys typed meanwhile come after it.

#include "KeyvaneInputMethod/DeliveryOrder.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

using namespace keyvane;
using Way = DeliveryOrder::Way;

namespace {

// A field that takes in what reaches it, on a clock the test moves.
struct Field {
    double clock = 0;
    std::multimap<double, std::function<void()>> timers;
    std::string received;
    DeliveryOrder order{
        [this] { return clock; },
        [this](double delay, std::function<void()> step) { timers.emplace(clock + delay, std::move(step)); },
        0.03};

    void advance(double seconds) {
        const double until = clock + seconds;
        while (!timers.empty() && timers.begin()->first <= until) {
            auto step = timers.begin()->second;
            clock = timers.begin()->first;
            timers.erase(timers.begin());
            step();
        }
        clock = until;
    }
    void send(Way way, const std::string& what) {
        order.send(way, [this, what] { received += what; });
    }
    // A word erased by BackSpace and "привет" committed: the commit must wait for the key.
    void replaceByBackspace() {
        send(Way::key, "<BS>");
        send(Way::text, "привет");
    }
    // A key of the user's: held while something waits, else handled now (here: typed as text).
    void type(const std::string& key) {
        if (order.busy()) {
            order.send(Way::replay, [this, key] { send(Way::text, key); });
        } else {
            send(Way::text, key);
        }
    }
};

TEST(DeliveryOrder, TextAfterAKeyWaitsUntilTheKeyHasArrivedAndKeysTypedMeanwhileFollowIt) {
    Field field;
    field.replaceByBackspace();
    field.send(Way::text, " ");
    EXPECT_EQ(field.received, "<BS>") << "the commit must not overtake the BackSpace";
    field.advance(0.01);
    field.type("м");
    field.type("и");
    EXPECT_EQ(field.received, "<BS>");
    field.advance(0.03);
    EXPECT_EQ(field.received, "<BS>привет ми");
    EXPECT_FALSE(field.order.busy());
}

TEST(DeliveryOrder, StepsOnOneWayGoAtOnce) {
    Field field;
    field.send(Way::text, "при");
    field.send(Way::text, "вет");
    field.type(" ");
    EXPECT_EQ(field.received, "привет ");
    field.send(Way::key, "<Return>");
    EXPECT_EQ(field.received, "привет ") << "a key right after text waits too";
    field.advance(0.031);
    EXPECT_EQ(field.received, "привет <Return>");
}

// An XIM client takes one message of the input method's at a time: each BackSpace, the commit
// and each held key handled again (fcitx5 commits what it types) come alone, spaced.
TEST(DeliveryOrder, WithSpacingEveryStepComesAloneWhateverItsWay) {
    Field field;
    field.order.setSpacing(0.03);
    field.send(Way::key, "<BS>");
    field.send(Way::key, "<BS>");
    field.send(Way::text, "да");
    field.type("т");
    EXPECT_EQ(field.received, "<BS>");
    field.advance(0.029);
    EXPECT_EQ(field.received, "<BS>") << "two keys in one go: the client would send one back";
    field.advance(0.002);
    EXPECT_EQ(field.received, "<BS><BS>");
    field.advance(0.03);
    EXPECT_EQ(field.received, "<BS><BS>да");
    field.advance(0.061); // the held key's turn, then what it typed
    EXPECT_EQ(field.received, "<BS><BS>дат");
    field.send(Way::text, "а");
    EXPECT_EQ(field.received, "<BS><BS>дат") << "text right after text waits too";
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>дата");
}

// GNOME Shell: what the input method sends itself comes spaced, the user's keys typed meanwhile
// after it, and once nothing waits the user's keys pass as they come.
TEST(DeliveryOrder, WithOwnSpacingTheInputMethodsStepsComeSpacedButTheUsersKeysAreNotHeldForIt) {
    Field field;
    field.order.setOwnSpacing(0.03);
    field.send(Way::key, "<BS>");
    field.send(Way::key, "<BS>");
    field.send(Way::text, "да");
    field.send(Way::text, " ");
    field.type("т");
    EXPECT_EQ(field.received, "<BS>");
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>") << "a key right after another: GNOME Shell takes it in late";
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>да");
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>да ") << "two texts at once: only the last would arrive";
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>да т");
    field.advance(0.061);
    field.send(Way::key, "<BS>");
    field.send(Way::usersKey, "<h>"); // held keys of the user's, sent on as typed
    field.send(Way::usersKey, "<e>");
    EXPECT_EQ(field.received, "<BS><BS>да т<BS><h><e>") << "the user's held keys lag";
    for (int key = 0; key < 3; ++key) {
        field.advance(0.01);
        EXPECT_FALSE(field.order.mustWait(Way::replay))
            << "a key held behind nothing: the typist's keys would lag";
        field.order.went(Way::key); // the user's key passed to the field
    }
}

// Where the field tells its text, GNOME Shell's next text waits until the field has told it took
// every key and text before it: a text sent sooner may be lost, a key taken in after it.
TEST(DeliveryOrder, WithOwnSpacingTextWaitsUntilTheFieldToldItTookWhatWentBefore) {
    Field field;
    field.order.setOwnSpacing(0.03);
    field.order.setFieldTells(true);
    field.send(Way::key, "<BS>");
    field.send(Way::key, "<BS>");
    field.send(Way::text, "да");
    field.advance(0.1);
    EXPECT_EQ(field.received, "<BS><BS>");
    field.order.fieldTold(); // the first BackSpace arrived, the second not yet
    field.advance(0.1);
    EXPECT_EQ(field.received, "<BS><BS>") << "the text would overtake the second BackSpace";
    field.order.fieldTold();
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>да");
    field.send(Way::text, " ");
    field.advance(0.1);
    EXPECT_EQ(field.received, "<BS><BS>да") << "two texts before the field took the first";
    field.order.fieldTold();
    field.advance(0.031);
    EXPECT_EQ(field.received, "<BS><BS>да ");
    field.send(Way::text, "x");
    field.advance(0.6);
    EXPECT_EQ(field.received, "<BS><BS>да x")
        << "a field that never tells holds text up at most half a second";
}

TEST(DeliveryOrder, WhatAHeldKeyBringsAboutComesBeforeTheKeysHeldAfterIt) {
    Field field;
    field.replaceByBackspace();
    // The first held key ends a word whose replacement goes by key and text again.
    field.order.send(Way::replay, [&field] {
        field.send(Way::key, "<BS2>");
        field.send(Way::text, "мир");
    });
    // The next held key's letter is typed by the framework itself when it is handled, past the order.
    field.order.send(Way::replay, [&field] { field.received += "!"; });
    field.advance(0.2);
    EXPECT_EQ(field.received, "<BS>привет<BS2>мир!");
}

TEST(DeliveryOrder, WhenTheFieldLeavesWhatWaitsGoesAtOnceAndWhenItIsGoneNothingDoes) {
    Field leaving;
    leaving.replaceByBackspace();
    leaving.type("м");
    leaving.order.flush();
    EXPECT_EQ(leaving.received, "<BS>приветм");

    Field gone;
    gone.replaceByBackspace();
    gone.order.clear();
    gone.advance(1);
    EXPECT_EQ(gone.received, "<BS>");
    gone.send(Way::text, "x");
    EXPECT_EQ(gone.received, "<BS>x") << "a cleared order goes on sending";
}

} // namespace
