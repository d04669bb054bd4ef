// SPDX-License-Identifier: GPL-3.0-or-later
// The key path on the in-memory desktop: key presses into words, word replacement and layout
// switching on a manual clock.

#include "Keyvane/correction/InputObserver.h"
#include "Keyvane/correction/ReplacementAdapter.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <functional>
#include <gtest/gtest.h>

using namespace keyvane;

namespace {

struct Desk {
    FakePlatform platform;
    std::vector<EmittedToken> words;
    InputObserver observer{platform, [this](const EmittedToken& t) { words.push_back(t); }};
    Desk() { observer.start(); }

    void type(std::initializer_list<std::uint16_t> keys, std::uint32_t modifiers = 0) {
        for (auto k : keys) {
            platform.pressKey(k, modifiers);
        }
    }
    void useLayout(std::size_t index) { platform.setLayouts(FakePlatform::standardLayouts(), index); }
    std::vector<std::string> tokens() const {
        std::vector<std::string> read;
        for (const EmittedToken& word : words) {
            read.push_back(word.token);
        }
        return read;
    }
};

using Words = std::vector<std::string>;

} // namespace

TEST(KeyObservation, KeysBecomeTheCharactersOfTheActiveLayoutUpToTheWordsEnd) {
    Desk desk;
    desk.type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    desk.useLayout(1);
    desk.type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n});
    desk.type({KeyCode::one}, Modifier::shift);   // "!" on the Russian layout too
    desk.type({KeyCode::slash}, Modifier::shift); // "," there: punctuation stays in the word
    desk.type({KeyCode::space});
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[0], (EmittedToken{"ghbdtn", BoundaryType::space()}));
    EXPECT_EQ(desk.words[1], (EmittedToken{"привет!,", BoundaryType::space()}));

    // Every character up to the space, Return or Tab is part of the word; cursor keys reset it.
    desk.useLayout(0);
    desk.type({KeyCode::leftBrace, KeyCode::v, KeyCode::enter}); // "[v": х and м on the Russian layout
    desk.type({KeyCode::g, KeyCode::minus, KeyCode::h, KeyCode::tab});
    desk.type({KeyCode::g, KeyCode::left, KeyCode::h, KeyCode::escape, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 4u);
    EXPECT_EQ(desk.words[2], (EmittedToken{"[v", BoundaryType::enter()}));
    EXPECT_EQ(desk.words[3], (EmittedToken{"g-h", BoundaryType::tab()}));
}

TEST(KeyObservation, TheProgramsOwnKeysAndShortcutsNeverJoinTheWord) {
    Desk desk;
    desk.type({KeyCode::g, KeyCode::h});
    desk.platform.pressKey(KeyCode::backspace, 0, syntheticEventMarker); // our own backspace
    desk.platform.pressKey(KeyCode::b, 0, syntheticEventMarker);
    desk.platform.pressKey(KeyCode::b, 0, std::uint16_t{0x1234}); // another program's key is the user's
    desk.type({KeyCode::backspace, KeyCode::space});
    KeyDown undo;
    undo.keyCode = KeyCode::d;
    undo.ownShortcut = true; // the program's own shortcut never reached the field
    desk.type({KeyCode::t});
    desk.platform.pressKey(undo);
    desk.type({KeyCode::n, KeyCode::space});
    EXPECT_EQ(desk.tokens(), (Words{"gh", "tn"}));
}

TEST(KeyObservation, AnythingThatMovesTheCursorOrChangesTextUnseenForgetsTheWord) {
    // "gh", then something the observer cannot follow, then "b ": only "b" may be corrected, never
    // "ghb", which would erase text the user did not type here. After a paste, whichever way it
    // came, not even "b": the field shows "gh<pasted>b", and "b" continues the pasted text.
    struct Case {
        const char* what;
        std::function<void(Desk&)> act;
        bool paste = false;
    };
    const FrontmostApplication other{"org.example.Other", "Other", std::nullopt, ""};
    const std::vector<Case> cases = {
        {"Control+Z", [](Desk& d) { d.platform.pressKey(KeyCode::z, Modifier::control); }},
        {"Alt+F", [](Desk& d) { d.platform.pressKey(KeyCode::f, Modifier::alt); }},
        {"a click", [](Desk& d) { d.platform.click(); }},
        {"a focus move", [](Desk& d) { d.platform.moveFocus(); }},
        {"Left", [](Desk& d) { d.type({KeyCode::left}); }},
        {"Home", [](Desk& d) { d.type({KeyCode::home}); }},
        {"End", [](Desk& d) { d.type({KeyCode::end}); }},
        {"Page Down", [](Desk& d) { d.type({KeyCode::pageDown}); }},
        {"Delete", [](Desk& d) { d.type({KeyCode::deleteKey}); }},
        {"Insert", [](Desk& d) { d.type({KeyCode::insert}); }},
        {"F5", [](Desk& d) { d.type({static_cast<std::uint16_t>(KeyCode::f1 + 4)}); }},
        {"another application", [&](Desk& d) { d.platform.activate(other); }},
        // Keys typed meanwhile are not read at all.
        {"stopping",
         [](Desk& d) {
             d.observer.stop();
             d.type({KeyCode::d, KeyCode::space});
             d.observer.start();
         }},
        {"a locker or a terminal's secure keyboard holding the keys",
         [](Desk& d) {
             d.platform.grabbedElsewhere = true;
             d.type({KeyCode::d, KeyCode::t, KeyCode::space});
             d.platform.grabbedElsewhere = false;
         }},
        {"Control+V", [](Desk& d) { d.type({KeyCode::v}, Modifier::control); }, true},
        {"Control+Shift+V", [](Desk& d) { d.type({KeyCode::v}, Modifier::control | Modifier::shift); }, true},
        {"Shift+Insert", [](Desk& d) { d.type({KeyCode::insert}, Modifier::shift); }, true},
        {"the middle button", [](Desk& d) { d.platform.middleClick(); }, true},
    };
    for (const auto& [what, act, paste] : cases) {
        Desk desk;
        desk.type({KeyCode::g, KeyCode::h});
        act(desk);
        desk.type({KeyCode::b, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
        EXPECT_EQ(desk.tokens(), (paste ? Words{"vbh"} : Words{"b", "vbh"}))
            << what << ": the next word is read whole";
    }
}

TEST(KeyObservation, BackspaceIntoTheTextBeforeTheWordForgetsItsPlace) {
    Desk desk;
    bool lost = false;
    desk.observer.setOnContextLost([&] { lost = true; });
    desk.type({KeyCode::g, KeyCode::backspace});
    EXPECT_FALSE(lost) << "erasing inside the word is followed";
    desk.type({KeyCode::backspace}); // now erasing what was there before
    EXPECT_TRUE(lost);
}

TEST(KeyObservation, KeysOffLimitsNeverReachTheWordOrTheLineAndAWordBegunThereIsNoWord) {
    Desk desk;
    bool offLimits = false;
    desk.observer.setKeysOffLimits([&] { return offLimits; });
    desk.type({KeyCode::a, KeyCode::space, KeyCode::g, KeyCode::h});
    offLimits = true; // the keys go to a password field now, without a focus event
    desk.type({KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_EQ(desk.observer.typedBeforeCursor(), "");
    offLimits = false;
    desk.type({KeyCode::t, KeyCode::space});
    EXPECT_EQ(desk.tokens(), (Words{"a", "t"})) << "the word begun before the password field is forgotten";
    EXPECT_EQ(desk.observer.typedBeforeCursor(), "t ");

    offLimits = true; // the focused field is not known yet, as at start
    desk.type({KeyCode::g, KeyCode::h, KeyCode::b});
    offLimits = false; // told now: an ordinary field
    desk.type({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    desk.type({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
    EXPECT_EQ(desk.tokens(), (Words{"a", "t", "vbh"}))
        << "\"dtn\" is the tail of \"ghbdtn\", no word of its own; the next word is read whole";
}

TEST(KeyObservation, WithoutPermissionNothingIsObserved) {
    FakePlatform platform;
    platform.refuseKeyMonitors();
    InputObserver observer(platform, [](const EmittedToken&) { FAIL(); });
    observer.start();
    EXPECT_FALSE(observer.isListening());
    platform.pressKey(KeyCode::g);
    platform.pressKey(KeyCode::space);
}

TEST(WordReplacement, ErasesWordAndBoundaryThenRetypesEveryCharacterWholeAfterTwentyMilliseconds) {
    FakePlatform platform;
    ReplacementAdapter::replaceLastWord(platform, 6, "привет", " ");
    ASSERT_EQ(platform.posted.size(), 14u); // 7 backspace pairs
    EXPECT_TRUE(std::all_of(platform.posted.begin(), platform.posted.end(), [](const SyntheticKeyEvent& e) {
        return e.keyCode == KeyCode::backspace && e.userData == syntheticEventMarker;
    }));
    platform.advance(0.019);
    EXPECT_EQ(platform.posted.size(), 14u);
    platform.advance(0.001);
    ASSERT_EQ(platform.posted.size(), 28u);
    EXPECT_EQ(platform.typedText("hello ghbdtn "), "hello привет ");
    EXPECT_TRUE(std::all_of(platform.posted.begin(), platform.posted.end(),
                            [](const SyntheticKeyEvent& e) { return e.userData == syntheticEventMarker; }));

    FakePlatform emoji; // every character is sent whole, newlines and emoji too
    ReplacementAdapter::replaceLastWord(emoji, 3, "М'ЯТА👍🏽", "\n");
    emoji.advance(0.02);
    EXPECT_EQ(emoji.typedText("x v`z\n"), "x М'ЯТА👍🏽\n");
    EXPECT_EQ(emoji.posted.back().unicodeText, "\n");
}

TEST(LayoutSwitching, SelectsTheLanguagesLayoutAndReassertsUntilItHolds) {
    FakePlatform platform;
    platform.setSelectionsNeeded(3); // the desktop ignores the first two requests
    ReplacementAdapter::switchLayout(platform, Language::ru);
    EXPECT_EQ(platform.currentLayout()->id(), "us");
    platform.advance(0.05);
    platform.advance(0.1);
    EXPECT_EQ(platform.currentLayout()->id(), "ru");
    platform.advance(2.0);
    EXPECT_EQ(platform.selectedLayouts.size(), 3u) << "no selection once the layout holds";
    EXPECT_EQ(platform.pendingSteps(), 0u);
    EXPECT_EQ(ReplacementAdapter::lastProgrammaticSwitchID(), "ru");

    FakePlatform stubborn;              // only the newest request keeps reasserting
    stubborn.setSelectionsNeeded(1000); // never takes effect
    ReplacementAdapter::switchLayout(stubborn, Language::ru);
    stubborn.advance(0.2);
    ReplacementAdapter::switchLayout(stubborn, Language::uk);
    stubborn.advance(3.0);
    EXPECT_EQ(std::count(stubborn.selectedLayouts.begin(), stubborn.selectedLayouts.end(), "ru"), 3)
        << "ticks 0, 1 and 2 before the second request";
    EXPECT_EQ(std::count(stubborn.selectedLayouts.begin(), stubborn.selectedLayouts.end(), "ua"), 8)
        << "ticks 0 to 7";
}

TEST(LayoutSwitching, TheUsersOwnSwitchIsNeverUndone) {
    FakePlatform platform;
    ReplacementAdapter::switchLayout(platform, Language::ru);
    platform.advance(0.2);                                   // the Russian layout holds
    platform.setLayouts(FakePlatform::standardLayouts(), 0); // the user goes back to English
    platform.advance(2.0);
    EXPECT_EQ(platform.currentLayout()->id(), "us");
    EXPECT_EQ(platform.selectedLayouts.size(), 1u);

    FakePlatform early; // the user picks Ukrainian before the Russian selection took effect
    early.setSelectionsNeeded(3);
    ReplacementAdapter::switchLayout(early, Language::ru);
    early.setLayouts(FakePlatform::standardLayouts(), 2);
    early.advance(2.0);
    EXPECT_EQ(early.currentLayout()->id(), "ua");
    EXPECT_EQ(early.selectedLayouts.size(), 1u);

    FakePlatform quick; // the switch is in effect at once; the user goes back before the first look
    ReplacementAdapter::switchLayout(quick, Language::ru);
    quick.setLayouts(FakePlatform::standardLayouts(), 0);
    quick.advance(2.0);
    EXPECT_EQ(quick.currentLayout()->id(), "us");
    EXPECT_EQ(quick.selectedLayouts.size(), 1u);
}

TEST(LayoutSwitching, TakesTheFirstLayoutOfTheLanguageAndNoneOfAnother) {
    const KeyboardLayout english = FakePlatform::standardLayouts()[0];
    const KeyboardLayout belarusian{1, "by", "", "Belarusian", std::nullopt};
    const KeyboardLayout phonetic{2, "ru", "phonetic", "Russian (phonetic)", Language::ru};
    const KeyboardLayout russian{3, "ru", "", "Russian", Language::ru};
    EXPECT_EQ(ReplacementAdapter::resolveLayout(Language::ru, {english, belarusian, phonetic, russian}),
              phonetic);
    EXPECT_FALSE(
        ReplacementAdapter::resolveLayout(Language::uk, {english, belarusian, phonetic}).has_value());

    FakePlatform platform;
    platform.setLayouts({english}, 0);
    ReplacementAdapter::switchLayout(platform, Language::uk);
    EXPECT_TRUE(platform.selectedLayouts.empty());
    EXPECT_EQ(platform.pendingSteps(), 0u);
}

TEST(WordReplacement, KeysTypedMeanwhileOrPastTheBoundaryLandAfterTheReplacement) {
    FakePlatform onScreen; // an on-screen keyboard typed "r" after the erase, before the retype
    onScreen.lateKeys = PlatformServices::LateKeys{1, "r"};
    ReplacementAdapter::replaceLastWord(onScreen, 6, "привет", " ");
    onScreen.advance(0.02);
    EXPECT_EQ(onScreen.typedText("ghbdtn "), "привет r");

    FakePlatform platform;
    platform.setLayouts(FakePlatform::standardLayouts(), 0);
    // Already in the field: "ghbdtn rf". The user meant those keys in the layout that follows.
    platform.typedAhead = std::vector<std::string>{"к", "а"};
    EXPECT_TRUE(ReplacementAdapter::replaceTypedWord(platform, "ghbdtn", "привет", " ", Language::ru));
    ASSERT_TRUE(platform.typedAheadReadIn.has_value());
    EXPECT_EQ(platform.typedAheadReadIn->language, Language::ru);
    EXPECT_TRUE(platform.holding) << "the user's further keys wait until the replacement is typed";
    platform.advance(0.02);
    EXPECT_FALSE(platform.holding);
    EXPECT_EQ(platform.typedText("ghbdtn rf"), "привет ка");

    FakePlatform editing;
    editing.typedAhead = std::nullopt; // the user pressed Backspace or Return after the word
    EXPECT_FALSE(ReplacementAdapter::replaceLastWord(editing, 6, "привет", " "));
    EXPECT_TRUE(editing.posted.empty());
    EXPECT_FALSE(editing.holding);
}
