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
};

const std::initializer_list<std::uint16_t> ghbdtnKeys = {KeyCode::g, KeyCode::h, KeyCode::b,
                                                         KeyCode::d, KeyCode::t, KeyCode::n};

} // namespace

TEST(KeyObservation, KeysBecomeTheCharactersOfTheActiveLayout) {
    Desk desk;
    desk.type(ghbdtnKeys);
    desk.type({KeyCode::space});
    desk.useLayout(1);
    desk.type(ghbdtnKeys);
    desk.type({KeyCode::one}, Modifier::shift);   // "!" on the Russian layout too
    desk.type({KeyCode::slash}, Modifier::shift); // "," there: punctuation stays in the word
    desk.type({KeyCode::space});
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[0], (EmittedToken{"ghbdtn", BoundaryType::space()}));
    EXPECT_EQ(desk.words[1], (EmittedToken{"привет!,", BoundaryType::space()}));
}

TEST(KeyObservation, EveryCharacterUpToTheSpaceIsPartOfTheWordCursorKeysResetIt) {
    Desk desk;
    desk.type({KeyCode::leftBrace, KeyCode::v}); // "[v": х and м on the Russian layout
    desk.type({KeyCode::enter});
    desk.type({KeyCode::g, KeyCode::minus, KeyCode::h});
    desk.type({KeyCode::tab});
    desk.type({KeyCode::g, KeyCode::left, KeyCode::h, KeyCode::escape, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[0], (EmittedToken{"[v", BoundaryType::enter()}));
    EXPECT_EQ(desk.words[1], (EmittedToken{"g-h", BoundaryType::tab()}));
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
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[0].token, "gh");
    EXPECT_EQ(desk.words[1].token, "tn");
}

TEST(KeyObservation, AnythingThatMovesTheCursorOrChangesTextUnseenForgetsTheWord) {
    // "ljh", then something the observer cannot follow, then "jut ": only "jut" may be corrected,
    // never "ljhjut", which would erase text the user did not type here. (After a paste not even
    // "jut": see below.)
    const auto forgetting = std::vector<std::pair<const char*, std::function<void(Desk&)>>>{
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
    };
    for (const auto& [what, act] : forgetting) {
        Desk desk;
        desk.type({KeyCode::g, KeyCode::h});
        act(desk);
        desk.type({KeyCode::b, KeyCode::space});
        ASSERT_EQ(desk.words.size(), 1u) << what;
        EXPECT_EQ(desk.words[0].token, "b") << what;
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

TEST(KeyObservation, NothingIsReadWhileAnotherProgramHoldsTheKeyboard) {
    Desk desk;
    desk.type({KeyCode::g, KeyCode::h});
    desk.platform.grabbedElsewhere = true; // a locker or a terminal's secure keyboard
    desk.type({KeyCode::b, KeyCode::d, KeyCode::space});
    desk.platform.grabbedElsewhere = false;
    desk.type({KeyCode::t, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 1u);
    EXPECT_EQ(desk.words[0].token, "t");
}

TEST(KeyObservation, KeysOffLimitsNeverReachTheWordOrTheLine) {
    Desk desk;
    bool password = false;
    desk.observer.setKeysOffLimits([&] { return password; });
    desk.type({KeyCode::a, KeyCode::space, KeyCode::g, KeyCode::h});
    password = true; // the keys go to a password field now, without a focus event
    desk.type({KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_EQ(desk.observer.typedBeforeCursor(), "");
    password = false;
    desk.type({KeyCode::t, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[1].token, "t") << "the word begun before the password field is forgotten";
    EXPECT_EQ(desk.observer.typedBeforeCursor(), "t ");
}

TEST(KeyObservation, AWordWhoseFirstKeysWentUnreadIsNoWord) {
    Desk desk;
    bool fieldUnknown = true; // the focused field is not known yet, as at start
    desk.observer.setKeysOffLimits([&] { return fieldUnknown; });
    desk.type({KeyCode::g, KeyCode::h, KeyCode::b});
    fieldUnknown = false; // told now: an ordinary field
    desk.type({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_TRUE(desk.words.empty()) << "\"dtn\" is the tail of \"ghbdtn\", no word of its own";
    desk.type({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 1u);
    EXPECT_EQ(desk.words[0].token, "vbh") << "the next word is read whole";

    fieldUnknown = true; // a word ended while unread leaves nothing behind
    desk.type({KeyCode::g, KeyCode::space});
    fieldUnknown = false;
    desk.type({KeyCode::t, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[1].token, "t");
}

TEST(KeyObservation, LettersTypedAfterAPasteContinueThePastedTextWhicheverWayItCame) {
    // "ghb", a paste of "XYZ", "dtn ": the field shows "ghbXYZdtn", and "dtn" is no word to convert.
    const std::vector<std::function<void(Desk&)>> pastes = {
        [](Desk& desk) { desk.type({KeyCode::v}, Modifier::control); },
        [](Desk& desk) { desk.type({KeyCode::v}, Modifier::control | Modifier::shift); },
        [](Desk& desk) { desk.type({KeyCode::insert}, Modifier::shift); },
        [](Desk& desk) { desk.platform.middleClick(); },
    };
    for (std::size_t way = 0; way < pastes.size(); ++way) {
        Desk desk;
        desk.type({KeyCode::g, KeyCode::h, KeyCode::b});
        pastes[way](desk);
        desk.type({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
        EXPECT_TRUE(desk.words.empty()) << "paste " << way;
        desk.type({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
        ASSERT_EQ(desk.words.size(), 1u) << "paste " << way << ": the next word is read whole";
        EXPECT_EQ(desk.words[0].token, "vbh");
    }
    Desk desk; // a plain click only forgets the word: the next one is read
    desk.type({KeyCode::g, KeyCode::h, KeyCode::b});
    desk.platform.click();
    desk.type({KeyCode::space});
    desk.type(ghbdtnKeys);
    desk.type({KeyCode::space});
    ASSERT_EQ(desk.words.size(), 1u);
    EXPECT_EQ(desk.words[0].token, "ghbdtn");
}

TEST(KeyObservation, SwitchingApplicationsOrStoppingForgetsTheHalfTypedWord) {
    Desk desk;
    desk.type({KeyCode::g, KeyCode::h});
    desk.platform.activate({"org.example.Other", "Other", std::nullopt, ""});
    desk.type({KeyCode::b, KeyCode::space});
    desk.type({KeyCode::d});
    desk.observer.stop();
    EXPECT_FALSE(desk.observer.isListening());
    desk.observer.start();
    desk.type({KeyCode::t, KeyCode::space});
    ASSERT_EQ(desk.words.size(), 2u);
    EXPECT_EQ(desk.words[0].token, "b");
    EXPECT_EQ(desk.words[1].token, "t");
}

TEST(KeyObservation, WithoutPermissionNothingIsObserved) {
    FakePlatform platform;
    platform.setTrusted(false);
    InputObserver observer(platform, [](const EmittedToken&) { FAIL(); });
    observer.start();
    EXPECT_FALSE(observer.isListening());
    platform.pressKey(KeyCode::g);
    platform.pressKey(KeyCode::space);
}

TEST(WordReplacement, ErasesWordAndBoundaryThenRetypesAfterTwentyMilliseconds) {
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
}

TEST(WordReplacement, EveryCharacterIsSentWholeIncludingNewlinesAndEmoji) {
    FakePlatform platform;
    ReplacementAdapter::replaceLastWord(platform, 3, "М'ЯТА👍🏽", "\n");
    platform.advance(0.02);
    EXPECT_EQ(platform.typedText("x v`z\n"), "x М'ЯТА👍🏽\n");
    EXPECT_EQ(platform.posted.back().unicodeText, "\n");
}

TEST(LayoutSwitching, SelectsTheLanguagesLayoutAndReassertsUntilItHolds) {
    FakePlatform platform;
    platform.setSelectionsNeeded(3); // the desktop ignores the first two requests
    ReplacementAdapter::switchLayout(platform, "RU");
    EXPECT_EQ(platform.currentLayout()->id(), "us");
    platform.advance(0.05);
    platform.advance(0.1);
    EXPECT_EQ(platform.currentLayout()->id(), "ru");
    platform.advance(2.0);
    EXPECT_EQ(platform.selectedLayouts.size(), 3u) << "no selection once the layout holds";
    EXPECT_EQ(platform.pendingSteps(), 0u);
    EXPECT_EQ(ReplacementAdapter::lastProgrammaticSwitchID(), "ru");
}

TEST(LayoutSwitching, TheUsersOwnSwitchIsNeverUndone) {
    FakePlatform platform;
    ReplacementAdapter::switchLayout(platform, "ru");
    platform.advance(0.2);                                   // the Russian layout holds
    platform.setLayouts(FakePlatform::standardLayouts(), 0); // the user goes back to English
    platform.advance(2.0);
    EXPECT_EQ(platform.currentLayout()->id(), "us");
    EXPECT_EQ(platform.selectedLayouts.size(), 1u);

    FakePlatform early; // the user picks Ukrainian before the Russian selection took effect
    early.setSelectionsNeeded(3);
    ReplacementAdapter::switchLayout(early, "ru");
    early.setLayouts(FakePlatform::standardLayouts(), 2);
    early.advance(2.0);
    EXPECT_EQ(early.currentLayout()->id(), "ua");
    EXPECT_EQ(early.selectedLayouts.size(), 1u);
}

TEST(WordReplacement, KeysAnotherProgramTypedMeanwhileFollowTheReplacement) {
    FakePlatform platform;
    // An on-screen keyboard typed "r" after the erase, before the retype.
    platform.lateKeys = PlatformServices::LateKeys{1, "r"};
    ReplacementAdapter::replaceLastWord(platform, 6, "привет", " ");
    platform.advance(0.02);
    EXPECT_EQ(platform.typedText("ghbdtn "), "привет r");
}

TEST(LayoutSwitching, OnlyTheNewestRequestKeepsReasserting) {
    FakePlatform platform;
    platform.setSelectionsNeeded(1000); // never takes effect
    ReplacementAdapter::switchLayout(platform, "ru");
    platform.advance(0.2);
    ReplacementAdapter::switchLayout(platform, "uk");
    platform.advance(3.0);
    auto ru = std::count(platform.selectedLayouts.begin(), platform.selectedLayouts.end(), "ru");
    auto uk = std::count(platform.selectedLayouts.begin(), platform.selectedLayouts.end(), "ua");
    EXPECT_EQ(ru, 3); // ticks 0, 1 and 2 before the second request
    EXPECT_EQ(uk, 8); // ticks 0 to 7
}

TEST(LayoutSwitching, TakesTheFirstLayoutOfTheLanguageAndNoneOfAnother) {
    const KeyboardLayout english = FakePlatform::standardLayouts()[0];
    const KeyboardLayout belarusian{1, "by", "", "Belarusian", std::nullopt};
    const KeyboardLayout phonetic{2, "ru", "phonetic", "Russian (phonetic)", "ru"};
    const KeyboardLayout russian{3, "ru", "", "Russian", "ru"};
    EXPECT_EQ(ReplacementAdapter::resolveLayout("ru", {english, belarusian, phonetic, russian}), phonetic);
    EXPECT_FALSE(ReplacementAdapter::resolveLayout("uk", {english, belarusian, phonetic}).has_value());

    FakePlatform platform;
    platform.setLayouts({english}, 0);
    ReplacementAdapter::switchLayout(platform, "uk");
    EXPECT_TRUE(platform.selectedLayouts.empty());
    EXPECT_EQ(platform.pendingSteps(), 0u);
}

TEST(WordReplacement, KeysTypedPastTheBoundaryLandAfterTheReplacement) {
    FakePlatform platform;
    platform.setLayouts(FakePlatform::standardLayouts(), 0);
    // Already in the field: "ghbdtn rf". The user meant those keys in the layout that follows.
    platform.typedAhead = std::vector<std::string>{"к", "а"};
    EXPECT_TRUE(ReplacementAdapter::replaceTypedWord(platform, "ghbdtn", "привет", " ", "ru"));
    ASSERT_TRUE(platform.typedAheadReadIn.has_value());
    EXPECT_EQ(platform.typedAheadReadIn->language, "ru");
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
