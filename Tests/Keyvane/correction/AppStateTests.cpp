// SPDX-License-Identifier: GPL-3.0-or-later
// The live correction flow on the in-memory desktop with the shipped rules file.

#include "../LiveDesktop.h"
#include "Keyvane/correction/AppState.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/file.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {

using Live = keyvane::testing::LiveDesktop;

} // namespace

TEST(LiveCorrection, WrongLayoutWordIsRetypedAndTheLayoutFollows) {
    Live live;
    ASSERT_NE(live.app, nullptr);
    live.typeGhbdtn();
    live.platform.advance(0.02);
    EXPECT_EQ(live.field(), "привет ");
    live.platform.advance(2.0);
    EXPECT_EQ(live.platform.currentLayout()->language, "ru");
    ASSERT_TRUE(live.app->lastCorrection().has_value());
    EXPECT_EQ(live.app->lastCorrection()->original, "ghbdtn");
    EXPECT_EQ(live.app->lastCorrection()->boundary, " ");
}

TEST(LiveCorrection, GatesLeaveWordsAlone) {
    Live paused;
    paused.app->pause(15 * 60);
    paused.typeGhbdtn();
    paused.platform.advance(1);
    EXPECT_TRUE(paused.platform.posted.empty());
    paused.platform.advance(15 * 60);
    EXPECT_FALSE(paused.app->isPaused()) << "a timed pause ends by itself";
    paused.typeGhbdtn();
    paused.platform.advance(0.02);
    EXPECT_FALSE(paused.platform.posted.empty());

    Live unsupported;
    unsupported.platform.setLayouts({KeyboardLayout{0, "de", "", "German", std::nullopt}}, 0);
    unsupported.platform.setKeyTable("de", FakePlatform::usKeys());
    unsupported.typeGhbdtn();
    unsupported.platform.advance(1);
    EXPECT_TRUE(unsupported.platform.posted.empty());

    Live excluded(
        R"({"active_languages": ["en", "ru"], "excluded_apps": {"org.example.editor": {"name": "Editor"}}})");
    excluded.typeGhbdtn();
    excluded.platform.advance(1);
    EXPECT_TRUE(excluded.platform.posted.empty());

    Live game;
    game.home.write("chess.desktop", "[Desktop Entry]\nCategories=Game;\n");
    game.platform.activate({"org.example.chess", "Chess", game.home.path() + "/chess.desktop", ""});
    EXPECT_TRUE(game.app->isFrontmostGame());
    game.typeGhbdtn();
    game.platform.advance(1);
    EXPECT_TRUE(game.platform.posted.empty());
}

TEST(LiveCorrection, ReturnAndTabLeaveTheWordAsTypedAndOnlySwitchTheLayout) {
    // Return may have run the line (a shell) or sent it (a chat), Tab moved to the next field:
    // retyping would land in the wrong place.
    for (std::uint16_t boundary : {KeyCode::enter, KeyCode::tab}) {
        Live live;
        live.type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, boundary});
        live.platform.advance(2.0);
        EXPECT_TRUE(live.platform.posted.empty()) << boundary;
        EXPECT_EQ(live.platform.currentLayout()->language, "ru") << "the next word comes out right";
        EXPECT_FALSE(live.app->lastCorrection().has_value());
    }
    Live multiLine; // a text known to hold several lines: Return is a line break, corrected as before
    multiLine.platform.multiLine = true;
    multiLine.type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::enter});
    multiLine.platform.advance(0.02);
    EXPECT_EQ(multiLine.field("ghbdtn\n"), "привет\n");
}

TEST(LiveCorrection, AOneLetterWordIsCorrectedWithTheWordAfterIt) {
    Live russian; // "я тебя" typed on the English layout
    russian.type(
        {KeyCode::z, KeyCode::space, KeyCode::n, KeyCode::t, KeyCode::comma, KeyCode::z, KeyCode::space});
    russian.platform.advance(0.02);
    EXPECT_EQ(russian.field("z nt,z "), "я тебя ");
    ASSERT_TRUE(russian.app->lastCorrection().has_value());
    EXPECT_EQ(russian.app->lastCorrection()->original, "z nt,z");

    Live english; // "I am" typed on the Russian layout: "Ш фь"
    english.platform.setLayouts(FakePlatform::standardLayouts(), 1);
    english.platform.pressKey(KeyCode::i, Modifier::shift);
    english.type({KeyCode::space, KeyCode::a, KeyCode::m, KeyCode::space});
    english.platform.advance(0.02);
    EXPECT_EQ(english.field("Ш фь "), "I am ");

    Live article; // "a" is an English word of its own: only the next word changes
    article.type(
        {KeyCode::a, KeyCode::space, KeyCode::n, KeyCode::t, KeyCode::c, KeyCode::n, KeyCode::space});
    article.platform.advance(0.02);
    EXPECT_EQ(article.field("a ntcn "), "a тест ");

    Live clicked; // a click between the two: the letter may be anywhere now
    clicked.type({KeyCode::z, KeyCode::space});
    clicked.platform.click();
    clicked.type({KeyCode::n, KeyCode::t, KeyCode::comma, KeyCode::z, KeyCode::space});
    clicked.platform.advance(0.02);
    EXPECT_EQ(clicked.field("z nt,z "), "z тебя ");

    Live conjunction; // "а" (but) typed on the English layout is a Russian word
    conjunction.type({KeyCode::f, KeyCode::space, KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t,
                      KeyCode::n, KeyCode::space});
    conjunction.platform.advance(0.02);
    EXPECT_EQ(conjunction.field("f ghbdtn "), "а привет ");
}

TEST(Undo, RightAfterACorrectionRestoresTheTypedWordAndLearnsIt) {
    Live live;
    std::vector<std::string> told;
    live.app->onLearnedFromUndo = [&](const std::string& word) { told.push_back(word); };
    live.typeGhbdtn();
    live.platform.advance(2.0);
    live.app->undoLastCorrection();
    live.platform.advance(2.0);
    EXPECT_EQ(live.field(), "ghbdtn ");
    EXPECT_EQ(told, (std::vector<std::string>{"ghbdtn"})) << "the user is told what was learned";
    EXPECT_EQ(live.platform.currentLayout()->language, "en");
    auto overrides = nlohmann::json::parse(live.home.read(".local/share/keyvane/manual_overrides.json"));
    EXPECT_NE(std::find(overrides["never_correct"].begin(), overrides["never_correct"].end(), "ghbdtn"),
              overrides["never_correct"].end());
    EXPECT_EQ(overrides["never_correct_meta"]["ghbdtn"], "en");
    EXPECT_FALSE(live.app->lastCorrection().has_value());

    // Learned: the same word is now left alone.
    const std::size_t posted = live.platform.posted.size();
    live.typeGhbdtn();
    live.platform.advance(2.0);
    EXPECT_EQ(live.platform.posted.size(), posted);
}

TEST(Undo, WhileAnotherProcessHoldsTheOverridesItIsDoneAtOnceAndLearnedOnceTheyAreFree) {
    Live live;
    live.typeGhbdtn();
    live.platform.advance(2.0);
    const std::string overrides = live.home.path() + "/.local/share/keyvane/manual_overrides.json";
    const int held = ::open((overrides + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // another copy's settings window saving, say
    live.app->undoLastCorrection();       // never waits for it
    live.platform.advance(0.5);
    EXPECT_EQ(live.field(), "ghbdtn ");
    auto learned = [&] {
        const auto saved =
            nlohmann::json::parse(live.home.read(".local/share/keyvane/manual_overrides.json"));
        return std::find(saved["never_correct"].begin(), saved["never_correct"].end(), "ghbdtn") !=
               saved["never_correct"].end();
    };
    EXPECT_FALSE(learned());
    live.platform.advance(3.0);
    EXPECT_FALSE(learned()) << "still held";

    ::close(held);
    live.platform.advance(1.0);
    EXPECT_TRUE(learned());
    const std::size_t posted = live.platform.posted.size();
    live.typeGhbdtn();
    live.platform.advance(2.0);
    EXPECT_EQ(live.platform.posted.size(), posted) << "and taken up: the word is left alone";
}

TEST(Undo, NeverTouchesTextAfterTheUserTypedOnOrSwitchedApplications) {
    const FrontmostApplication mail{"org.example.mail", "Mail", std::nullopt, ""};
    const auto afterwards = std::vector<std::pair<const char*, std::function<void(Live&)>>>{
        {"a key typed", [](Live& l) { l.type({KeyCode::x}); }},
        {"a click (the cursor may be anywhere)", [](Live& l) { l.platform.click(); }},
        {"a locker or a secure prompt holding the keyboard",
         [](Live& l) { l.platform.grabbedElsewhere = true; }},
        {"another application in front", [&](Live& l) { l.platform.activate(mail); }},
        // The undo shortcut pressed there before the desktop said the application is in front.
        {"another application, not yet announced",
         [&](Live& l) { l.platform.bringToFrontUnannounced(mail); }},
    };
    for (const auto& [what, act] : afterwards) {
        Live live;
        live.typeGhbdtn();
        live.platform.advance(2.0);
        act(live);
        const std::size_t posted = live.platform.posted.size();
        live.app->undoLastCorrection();
        live.platform.advance(1.0);
        EXPECT_EQ(live.platform.posted.size(), posted) << what;
    }
}

TEST(SessionAndApps, StreakNeedsThreeWordsAndResetsOnAppSwitchRecentAppsKeepFour) {
    Live live;
    // "ltkf" is "дела": a Russian word (the learned pair for "ghbdtn" names no single language).
    for (int i = 0; i < 3; ++i) {
        live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
        live.type({KeyCode::l, KeyCode::t, KeyCode::k, KeyCode::f, KeyCode::space});
        live.platform.advance(2.0);
        EXPECT_EQ(live.app->sessionLanguage().has_value(), i == 2) << i;
    }
    EXPECT_EQ(live.app->sessionLanguage(), "ru");
    for (const char* id : {"a.one", "a.two", "keyvane", "a.three", "a.four", "a.two"}) {
        live.platform.activate({id, id, std::nullopt, ""});
    }
    EXPECT_FALSE(live.app->sessionLanguage().has_value());
    std::vector<std::string> ids;
    for (const auto& r : live.app->recentApps()) {
        ids.push_back(r.desktopEntryID);
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"a.two", "a.four", "a.three", "a.one"}));
}

// A layout variant maps as the desktop's keymap says, not as the standard layout of the rules
// file: on a phonetic Russian layout "privet" is typed on the keys of "привет".
TEST(LiveCorrection, TheDesktopsOwnLayoutsDecideWhatEachKeyMeans) {
    TempHome home;
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru"]})");
    FakePlatform platform;
    platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    const KeyboardLayout us{0, "us", "", "English (US)", "en"};
    const KeyboardLayout ruPhonetic{1, "ru", "phonetic", "Russian (phonetic)", "ru"};
    LayoutKeyMaps phonetic{us, ruPhonetic, {}, {}};
    LayoutKeyMaps back{ruPhonetic, us, {}, {}};
    for (const auto& [en, ru] : std::vector<std::pair<std::string, std::string>>{
             {"p", "п"}, {"r", "р"}, {"i", "и"}, {"v", "в"}, {"e", "е"}, {"t", "т"}, {"m", "м"}}) {
        phonetic.lower[en] = ru;
        back.lower[ru] = en;
    }
    platform.layoutKeyMaps = {phonetic, back};
    auto app = AppState::create(platform);
    ASSERT_NE(app, nullptr);
    app->startObserving();
    for (auto k : {KeyCode::p, KeyCode::r, KeyCode::i, KeyCode::v, KeyCode::e, KeyCode::t, KeyCode::space}) {
        platform.pressKey(k);
    }
    platform.advance(0.02);
    EXPECT_EQ(platform.typedText("privet "), "привет ");

    app->reloadConfig(); // learned words or new preferences: the desktop's maps stay
    platform.advance(2.0);
    platform.setLayouts(FakePlatform::standardLayouts(), 0);
    platform.posted.clear();
    for (auto k : {KeyCode::m, KeyCode::i, KeyCode::r, KeyCode::space}) {
        platform.pressKey(k);
    }
    platform.advance(0.02);
    EXPECT_EQ(platform.typedText("mir "), "мир ");
}

TEST(LiveCorrection, TheWordsOfTheLineTellRussianFromUkrainian) {
    // Russian typed on the Ukrainian layout: "что" is the same there, "файлы" comes out as the
    // Ukrainian word "файлі". After "что" the line is Russian, so "файлі" is "файлы".
    Live live;
    live.platform.setLayouts(FakePlatform::standardLayouts(), 2);
    live.type({KeyCode::x, KeyCode::n, KeyCode::j, KeyCode::space});
    live.type({KeyCode::a, KeyCode::f, KeyCode::q, KeyCode::k, KeyCode::s, KeyCode::space});
    live.platform.advance(0.02);
    EXPECT_EQ(live.field("что файлі "), "что файлы ");
    // A new line holds no evidence yet: the Ukrainian word stays.
    live.platform.advance(2.0);
    live.platform.setLayouts(FakePlatform::standardLayouts(), 2);
    live.platform.posted.clear();
    live.type({KeyCode::enter});
    live.type({KeyCode::a, KeyCode::f, KeyCode::q, KeyCode::k, KeyCode::s, KeyCode::space});
    live.platform.advance(2.0);
    EXPECT_TRUE(live.platform.posted.empty());
}

TEST(Undo, WaitsForTheShortcutsKeysToGoUpAndIsDroppedWhenTheUserTypesMeanwhile) {
    Live live;
    live.typeGhbdtn();
    live.platform.advance(2.0);
    live.platform.heldModifiers = Modifier::control; // Control of Control+F11 still down
    const std::size_t posted = live.platform.posted.size();
    live.app->undoLastCorrection();
    live.platform.advance(0.5);
    EXPECT_EQ(live.platform.posted.size(), posted) << "an erase now would arrive as Control+BackSpace";
    live.platform.heldModifiers = 0;
    live.platform.advance(2.0);
    EXPECT_EQ(live.field(), "ghbdtn ");

    Live typing;
    typing.typeGhbdtn();
    typing.platform.advance(2.0);
    typing.platform.heldModifiers = Modifier::control;
    typing.app->undoLastCorrection();
    typing.type({KeyCode::v}); // the undo would now erase what was typed since
    const std::size_t before = typing.platform.posted.size();
    typing.platform.heldModifiers = 0;
    typing.platform.advance(2.0);
    EXPECT_EQ(typing.platform.posted.size(), before) << "nothing erased, nothing typed";
}

TEST(Undo, ErasesWhatTheCorrectionTypedWhateverItsLength) {
    // A learned pair longer than the word typed: undo must take back all of it.
    Live live;
    live.home.write(
        ".local/share/keyvane/manual_overrides.json",
        R"({"exact_pairs": {"bgf": "хорошо"}, "exact_pairs_meta": {"bgf": {"src": "en", "dst": "ru"}}})");
    live.app->reloadConfig();
    live.type({KeyCode::b, KeyCode::g, KeyCode::f, KeyCode::space});
    live.platform.advance(2.0);
    ASSERT_EQ(live.field("bgf "), "хорошо ");
    live.app->undoLastCorrection();
    live.platform.advance(2.0);
    EXPECT_EQ(live.field("bgf "), "bgf ");
}

TEST(SessionAndApps, TwoLetterWordsDoNotMakeASession) {
    // "ты", "мы", "вы" typed on the Russian layout: Russian letters only, but too short to tell a
    // language by.
    Live live;
    for (const auto& word : {std::initializer_list<std::uint16_t>{KeyCode::n, KeyCode::s, KeyCode::space},
                             std::initializer_list<std::uint16_t>{KeyCode::v, KeyCode::s, KeyCode::space},
                             std::initializer_list<std::uint16_t>{KeyCode::d, KeyCode::s, KeyCode::space}}) {
        live.platform.setLayouts(FakePlatform::standardLayouts(), 1);
        live.type(word);
        live.platform.advance(2.0);
    }
    EXPECT_FALSE(live.app->sessionLanguage().has_value());
}

TEST(SessionAndApps, TheSessionLanguageDecidesTwoLetterWordsOnANewLine) {
    // Three Russian words make a Russian session; on a new line "yt" (не) is then corrected, but
    // after three English words it is left alone as the session says.
    for (const bool russianSession : {true, false}) {
        Live live;
        for (int i = 0; i < 3; ++i) {
            if (russianSession) {
                live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
                live.type({KeyCode::l, KeyCode::t, KeyCode::k, KeyCode::f, KeyCode::space}); // "ltkf": дела
            } else {
                live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
                live.type({KeyCode::c, KeyCode::a, KeyCode::t, KeyCode::space}); // "cat"
            }
            live.platform.advance(2.0);
        }
        ASSERT_EQ(live.app->sessionLanguage(), russianSession ? "ru" : "en");
        live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
        live.type({KeyCode::enter});
        live.platform.posted.clear();
        live.type({KeyCode::y, KeyCode::t, KeyCode::space}); // "yt"
        live.platform.advance(2.0);
        EXPECT_EQ(live.field("yt "), russianSession ? "не " : "yt ") << russianSession;
    }
}

TEST(Pause, ANewerPauseIsNotEndedByTheTimerOfAnOlderOne) {
    Live live;
    live.app->pause(60);
    live.platform.advance(10);
    live.app->pause(600);
    live.platform.advance(120); // the first pause's minute is long over
    EXPECT_TRUE(live.app->isPaused());
    live.platform.advance(600);
    EXPECT_FALSE(live.app->isPaused());
}

TEST(PasswordFields, NothingTypedInAPasswordFieldIsReadCorrectedOrConverted) {
    Live live;
    live.type({KeyCode::g, KeyCode::h, KeyCode::b});
    live.platform.focusField(FocusedField::password); // the word's first letters went elsewhere
    live.type({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    live.typeGhbdtn();
    live.platform.selectedText = "ghbdtn";
    live.app->convertSelection();
    live.app->undoLastCorrection();
    live.platform.advance(2.0);
    EXPECT_TRUE(live.platform.posted.empty()) << "nothing typed, copied or pasted in a password field";
    EXPECT_EQ(live.platform.currentLayout()->language, "en");
    EXPECT_FALSE(live.platform.clipboardContents(ClipboardKind::clipboard).text().has_value());

    live.platform.focusField(FocusedField::ordinary);
    live.typeGhbdtn();
    live.platform.advance(2.0);
    EXPECT_EQ(live.field(), "привет ") << "the ordinary field beside it is corrected";
}

TEST(PasswordFields, AFieldNotToldOfYetIsTreatedAsAPasswordField) {
    for (const FocusedField field : {FocusedField::asking, FocusedField::untold}) {
        Live live;
        live.platform.focusField(field);
        live.typeGhbdtn();
        live.app->undoLastCorrection();
        live.platform.advance(2.0);
        EXPECT_TRUE(live.platform.posted.empty()) << toString(field);
        live.platform.focusField(FocusedField::ordinary); // the program has told now
        live.typeGhbdtn();
        live.platform.advance(2.0);
        EXPECT_EQ(live.field(), "привет ") << toString(field);
    }
}

TEST(InputMethodHosts, WhileAnInputMethodHostCorrectsTheKeysTheX11HostLeavesThemAlone) {
    Live live;
    // The fcitx5 addon's process says it corrects the keys (here: a process that surely runs).
    const std::string marker = AppPaths::inputMethodHostMarkerPath();
    std::filesystem::create_directories(std::filesystem::path(marker).parent_path());
    std::ofstream(marker) << ::getppid() << '\n';
    EXPECT_FALSE(live.corrects()) << "a word corrected twice";
    std::ofstream(marker) << 999999999 << '\n'; // it stopped without taking it back
    EXPECT_TRUE(live.corrects());
}

TEST(PasswordFields, WithoutTheAccessibilityBusTheUsersChoiceDecides) {
    for (const bool skip : {false, true}) {
        Live live(std::string(R"({"active_languages": ["en", "ru", "uk"], "skip_when_fields_unknown": )") +
                  (skip ? "true" : "false") + "}");
        live.platform.focusField(FocusedField::unknown);
        live.typeGhbdtn();
        live.platform.advance(2.0);
        EXPECT_EQ(live.field(), skip ? "ghbdtn " : "привет ") << "skip_when_fields_unknown=" << skip;
    }
}

TEST(PasswordFields, PasswordPromptsAreNeverCorrectedAndTheUsersListReplacesTheShippedOne) {
    const FrontmostApplication pinentry{"pinentry-gtk", "PIN entry", std::nullopt, "Pinentry"};
    Live live;
    live.platform.activate(pinentry); // named in the shipped list by its window class
    live.typeGhbdtn();
    live.platform.advance(2.0);
    EXPECT_TRUE(live.platform.posted.empty());
    live.platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    live.typeGhbdtn();
    live.platform.advance(2.0);
    EXPECT_EQ(live.field(), "привет ");

    // The user's own list: the editor is a prompt now, and pinentry no longer is.
    Live own;
    own.home.write(".local/share/keyvane/secure_prompts.json",
                   R"({"desktop_entries": ["Org.Example.Editor"]})");
    own.app->reloadConfig();
    own.platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    own.typeGhbdtn();
    own.platform.advance(2.0);
    EXPECT_TRUE(own.platform.posted.empty());
    own.platform.activate(pinentry);
    own.typeGhbdtn();
    own.platform.advance(2.0);
    EXPECT_EQ(own.field(), "привет ");

    // A list that does not parse is no list: the shipped one stands.
    own.home.write(".local/share/keyvane/secure_prompts.json",
                   R"({"desktop_entries": "org.example.editor"})");
    own.app->reloadConfig();
    own.platform.activate({"org.example.other", "Other", std::nullopt, "Pinentry"});
    const std::size_t posted = own.platform.posted.size();
    own.typeGhbdtn();
    own.platform.advance(2.0);
    EXPECT_EQ(own.platform.posted.size(), posted);
}
