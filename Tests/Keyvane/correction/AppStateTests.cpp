// SPDX-License-Identifier: GPL-3.0-or-later
// The live correction flow on the in-memory desktop with the shipped rules file.

#include "../LiveDesktop.h"
#include "Keyvane/correction/AppState.h"
#include "KeyvaneCore/AppPaths.h"
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

const std::string overridesFile = ".local/share/keyvane/manual_overrides.json";

// "ghbdtn " typed, with the time for its correction and the layout switch after it.
void typeGhbdtnAndWait(Live& live) {
    live.typeGhbdtn();
    live.platform.advance(2.0);
}

// Whether the saved overrides say the word is never to be corrected.
bool neverCorrected(const Live& live, const std::string& word) {
    auto saved = nlohmann::json::parse(live.home.read(overridesFile));
    const auto& list = saved["never_correct"];
    return std::find(list.begin(), list.end(), word) != list.end();
}

} // namespace

TEST(LiveCorrection, WrongLayoutWordIsRetypedAndTheLayoutFollows) {
    Live live;
    ASSERT_NE(live.app, nullptr);
    live.typeGhbdtn();
    live.platform.advance(0.02);
    EXPECT_EQ(live.field(), "привет ");
    live.platform.advance(2.0);
    EXPECT_EQ(live.platform.currentLayout()->language, Language::ru);
    ASSERT_TRUE(live.app->lastCorrection().has_value());
    EXPECT_EQ(live.app->lastCorrection()->original, "ghbdtn");
    EXPECT_EQ(live.app->lastCorrection()->boundary, " ");
}

TEST(LiveCorrection, GatesLeaveWordsAlone) {
    Live paused;
    paused.app->pause(60);
    paused.platform.advance(10);
    paused.app->pause(15 * 60); // a newer pause is not ended by the timer of the older one
    paused.platform.advance(120);
    EXPECT_TRUE(paused.app->isPaused());
    EXPECT_FALSE(paused.corrects());
    paused.platform.advance(15 * 60 - 121); // a second past its end
    EXPECT_FALSE(paused.app->isPaused()) << "a timed pause ends by itself";
    EXPECT_TRUE(paused.corrects());

    Live unsupported;
    unsupported.platform.setLayouts({KeyboardLayout{0, "de", "", "German", std::nullopt}}, 0);
    unsupported.platform.setKeyTable("de", FakePlatform::usKeys());
    EXPECT_FALSE(unsupported.corrects());

    Live excluded(R"({"active_languages": ["en", "ru"], "excluded_apps": {"org.example.editor": {}}})");
    EXPECT_FALSE(excluded.corrects());

    Live game;
    game.home.write("chess.desktop", "[Desktop Entry]\nCategories=Game;\n");
    game.platform.activate({"org.example.chess", "Chess", game.home.path() + "/chess.desktop", ""});
    EXPECT_TRUE(game.app->isFrontmostGame());
    EXPECT_FALSE(game.corrects());
}

TEST(LiveCorrection, ReturnAndTabLeaveTheWordAsTypedAndOnlySwitchTheLayout) {
    // Return may have run the line (a shell) or sent it (a chat), Tab moved to the next field:
    // retyping would land in the wrong place.
    for (std::uint16_t boundary : {KeyCode::enter, KeyCode::tab}) {
        Live live;
        live.type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, boundary});
        live.platform.advance(2.0);
        EXPECT_TRUE(live.platform.posted.empty()) << boundary;
        EXPECT_EQ(live.platform.currentLayout()->language, Language::ru) << "the next word comes out right";
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

TEST(Undo, RightAfterACorrectionRestoresTheTypedWordWhateverTheCorrectionsLengthAndLearnsIt) {
    Live live;
    std::vector<std::string> told;
    live.app->onLearnedFromUndo = [&](const std::string& word) { told.push_back(word); };
    typeGhbdtnAndWait(live);
    live.app->undoLastCorrection();
    live.platform.advance(2.0);
    EXPECT_EQ(live.field(), "ghbdtn ");
    EXPECT_EQ(told, (std::vector<std::string>{"ghbdtn"})) << "the user is told what was learned";
    EXPECT_EQ(live.platform.currentLayout()->language, Language::en);
    EXPECT_TRUE(neverCorrected(live, "ghbdtn"));
    EXPECT_EQ(nlohmann::json::parse(live.home.read(overridesFile))["never_correct_meta"]["ghbdtn"], "en");
    EXPECT_FALSE(live.app->lastCorrection().has_value());
    EXPECT_FALSE(live.corrects()) << "learned: the same word is now left alone";

    Live learned; // a learned pair longer than the word typed: undo must take back all of it
    learned.home.write(
        overridesFile,
        R"({"exact_pairs": {"bgf": "хорошо"}, "exact_pairs_meta": {"bgf": {"src": "en", "dst": "ru"}}})");
    learned.app->reloadConfig();
    learned.type({KeyCode::b, KeyCode::g, KeyCode::f, KeyCode::space});
    learned.platform.advance(2.0);
    ASSERT_EQ(learned.field("bgf "), "хорошо ");
    learned.app->undoLastCorrection();
    learned.platform.advance(2.0);
    EXPECT_EQ(learned.field("bgf "), "bgf ");
}

TEST(Undo, WhileAnotherProcessHoldsTheOverridesItIsDoneAtOnceAndLearnedOnceTheyAreFree) {
    Live live;
    typeGhbdtnAndWait(live);
    const std::string lock = live.home.path() + "/" + overridesFile + ".lock";
    const int held = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // another copy's settings window saving, say
    live.app->undoLastCorrection();       // never waits for it
    live.platform.advance(0.5);
    EXPECT_EQ(live.field(), "ghbdtn ");
    EXPECT_FALSE(neverCorrected(live, "ghbdtn"));
    live.platform.advance(3.0);
    EXPECT_FALSE(neverCorrected(live, "ghbdtn")) << "still held";

    ::close(held);
    live.platform.advance(1.0);
    EXPECT_TRUE(neverCorrected(live, "ghbdtn"));
    EXPECT_FALSE(live.corrects()) << "and taken up: the word is left alone";
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
        typeGhbdtnAndWait(live);
        act(live);
        const std::size_t posted = live.platform.posted.size();
        live.app->undoLastCorrection();
        live.platform.advance(1.0);
        EXPECT_EQ(live.platform.posted.size(), posted) << what;
    }
}

// The application in front is known from the desktop's announcements: a finished word costs no
// question to the desktop, and an exclusion holds from the first word after the switch.
TEST(SessionAndApps, TheApplicationInFrontIsTheOneLastAnnouncedAndIsNotAskedForPerWord) {
    Live live(R"({"active_languages": ["en", "ru"], "excluded_apps": {"org.example.mail": {}}})");
    const int asked = live.platform.frontmostQueries;
    for (int i = 0; i < 20; ++i) {
        live.platform.setLayouts(FakePlatform::standardLayouts(), 0); // back on English
        EXPECT_TRUE(live.corrects());
    }
    EXPECT_EQ(live.platform.frontmostQueries, asked) << "asked on finished words";
    live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
    live.platform.activate({"org.example.mail", "Mail", std::nullopt, ""});
    EXPECT_FALSE(live.corrects()) << "the excluded application announced in front";
    live.platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    EXPECT_TRUE(live.corrects());
}

TEST(SessionAndApps, ThreeWordsMakeASessionThatDecidesTwoLetterWordsUntilAnotherAppIsInFront) {
    // Three Russian words ("ltkf" is "дела"; the learned pair for "ghbdtn" names no single language)
    // or three English ones; then "yt" (не) on a new line, with no evidence of its own, is
    // corrected only in the Russian session.
    for (const bool russian : {true, false}) {
        Live live;
        for (int i = 0; i < 3; ++i) {
            live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
            russian ? live.type({KeyCode::l, KeyCode::t, KeyCode::k, KeyCode::f, KeyCode::space})
                    : live.type({KeyCode::c, KeyCode::a, KeyCode::t, KeyCode::space});
            live.platform.advance(2.0);
            EXPECT_EQ(live.app->sessionLanguage().has_value(), i == 2) << i;
        }
        ASSERT_EQ(live.app->sessionLanguage(), russian ? Language::ru : Language::en);
        live.platform.setLayouts(FakePlatform::standardLayouts(), 0);
        live.type({KeyCode::enter});
        live.platform.posted.clear();
        live.type({KeyCode::y, KeyCode::t, KeyCode::space});
        live.platform.advance(2.0);
        EXPECT_EQ(live.field("yt "), russian ? "не " : "yt ") << russian;

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
    // "ты", "мы", "вы" on the Russian layout: Russian letters only, but too short to tell a language by.
    Live live;
    for (const std::uint16_t first : {KeyCode::n, KeyCode::v, KeyCode::d}) {
        live.platform.setLayouts(FakePlatform::standardLayouts(), 1);
        live.type({first, KeyCode::s, KeyCode::space});
        live.platform.advance(2.0);
    }
    EXPECT_FALSE(live.app->sessionLanguage().has_value());
}

// A layout variant maps as the desktop's keymap says, not as the standard layout of the rules
// file: on a phonetic Russian layout "privet" is typed on the keys of "привет".
TEST(LiveCorrection, TheDesktopsOwnLayoutsDecideWhatEachKeyMeans) {
    TempHome home;
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru"]})");
    FakePlatform platform;
    platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    const KeyboardLayout us{0, "us", "", "English (US)", Language::en};
    const KeyboardLayout ruPhonetic{1, "ru", "phonetic", "Russian (phonetic)", Language::ru};
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
    typeGhbdtnAndWait(live);
    live.platform.heldModifiers = Modifier::control; // Control of Control+F11 still down
    const std::size_t posted = live.platform.posted.size();
    live.app->undoLastCorrection();
    live.platform.advance(0.5);
    EXPECT_EQ(live.platform.posted.size(), posted) << "an erase now would arrive as Control+BackSpace";
    live.platform.heldModifiers = 0;
    live.platform.advance(2.0);
    EXPECT_EQ(live.field(), "ghbdtn ");

    Live typing;
    typeGhbdtnAndWait(typing);
    typing.platform.heldModifiers = Modifier::control;
    typing.app->undoLastCorrection();
    typing.type({KeyCode::v}); // the undo would now erase what was typed since
    const std::size_t before = typing.platform.posted.size();
    typing.platform.heldModifiers = 0;
    typing.platform.advance(2.0);
    EXPECT_EQ(typing.platform.posted.size(), before) << "nothing erased, nothing typed";
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
    EXPECT_EQ(live.platform.currentLayout()->language, Language::en);
    EXPECT_FALSE(live.platform.clipboardContents(ClipboardKind::clipboard).text().has_value());

    live.platform.focusField(FocusedField::ordinary);
    typeGhbdtnAndWait(live);
    EXPECT_EQ(live.field(), "привет ") << "the ordinary field beside it is corrected";
}

TEST(PasswordFields, AFieldNotToldOfYetIsAPasswordFieldAndWithoutTheBusTheUsersChoiceDecides) {
    for (const FocusedField field : {FocusedField::asking, FocusedField::untold}) {
        Live live;
        live.platform.focusField(field);
        live.typeGhbdtn();
        live.app->undoLastCorrection();
        live.platform.advance(2.0);
        EXPECT_TRUE(live.platform.posted.empty()) << toString(field);
        live.platform.focusField(FocusedField::ordinary); // the program has told now
        typeGhbdtnAndWait(live);
        EXPECT_EQ(live.field(), "привет ") << toString(field);
    }
    // No accessibility bus: no field ever tells what it is.
    for (const bool skip : {false, true}) {
        Live live(std::string(R"({"active_languages": ["en", "ru", "uk"], "skip_when_fields_unknown": )") +
                  (skip ? "true" : "false") + "}");
        live.platform.focusField(FocusedField::unknown);
        typeGhbdtnAndWait(live);
        EXPECT_EQ(live.field(), skip ? "ghbdtn " : "привет ") << "skip_when_fields_unknown=" << skip;
    }
}

TEST(InputMethodHosts, WhileAnInputMethodHostCorrectsTheKeysTheX11HostLeavesThemAlone) {
    // The fcitx5 addon's process says it corrects the keys (here: a process that surely runs)
    // before Keyvane starts observing: its marker is read then.
    Live live;
    const std::string marker = AppPaths::inputMethodHostMarkerPath();
    std::filesystem::create_directories(std::filesystem::path(marker).parent_path());
    std::ofstream(marker) << ::getppid() << '\n';
    live.app->stopObserving();
    live.app->startObserving();
    EXPECT_FALSE(live.corrects()) << "a word corrected twice";
    // Later changes are told (the live program follows the marker); the word path reads no file.
    std::ofstream(marker) << 999999999 << '\n'; // it stopped without taking it back
    EXPECT_FALSE(live.corrects()) << "the marker read on a finished word";
    live.app->setInputMethodHostCorrects(false);
    EXPECT_TRUE(live.corrects());
    live.app->setInputMethodHostCorrects(true);
    EXPECT_FALSE(live.corrects());
}

TEST(PasswordFields, PasswordPromptsAreNeverCorrectedAndTheUsersListReplacesTheShippedOne) {
    const FrontmostApplication pinentry{"pinentry-gtk", "PIN entry", std::nullopt, "Pinentry"};
    const FrontmostApplication editor{"org.example.editor", "Editor", std::nullopt, ""};
    Live live;
    live.platform.activate(pinentry); // named in the shipped list by its window class
    EXPECT_FALSE(live.corrects());
    live.platform.activate(editor);
    typeGhbdtnAndWait(live);
    EXPECT_EQ(live.field(), "привет ");

    // The user's own list: the editor is a prompt now, and pinentry no longer is.
    Live own;
    own.home.write(".local/share/keyvane/secure_prompts.json",
                   R"({"desktop_entries": ["Org.Example.Editor"]})");
    own.app->reloadConfig();
    own.platform.activate(editor);
    EXPECT_FALSE(own.corrects());
    own.platform.activate(pinentry);
    typeGhbdtnAndWait(own);
    EXPECT_EQ(own.field(), "привет ");

    // A list that does not parse is no list: the shipped one stands.
    own.home.write(".local/share/keyvane/secure_prompts.json",
                   R"({"desktop_entries": "org.example.editor"})");
    own.app->reloadConfig();
    own.platform.activate({"org.example.other", "Other", std::nullopt, "Pinentry"});
    EXPECT_FALSE(own.corrects());
}

// What the coordinator leaves waiting on the main loop (an undo until the shortcut's keys are up,
// a learning write until the overrides are free, the end of a pause) goes with it: nothing is
// erased, typed or learned for a coordinator that is gone.
TEST(Lifetime, WhatTheCoordinatorLeftWaitingGoesWithIt) {
    Live live;
    typeGhbdtnAndWait(live);
    const std::string lock = live.home.path() + "/" + overridesFile + ".lock";
    const int held = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    live.app->undoLastCorrection(); // learned once the overrides are free
    typeGhbdtnAndWait(live);
    live.platform.heldModifiers = Modifier::control;
    live.app->undoLastCorrection(); // done once Control is up
    live.app->pause(60);
    ASSERT_GE(live.platform.pendingSteps(), 3u);

    const std::size_t posted = live.platform.posted.size();
    live.app.reset();
    ::close(held);
    live.platform.heldModifiers = 0;
    ASSERT_EQ(live.platform.pendingSteps(), 0u) << "nothing of it is left to run";
    live.platform.advance(600);
    EXPECT_EQ(live.platform.posted.size(), posted);
    EXPECT_FALSE(neverCorrected(live, "ghbdtn"));

    bool ran = false;
    {
        const Registration step = live.platform.schedule(0, [&] { ran = true; });
    } // a step whose handle went never runs
    live.platform.advance(1);
    EXPECT_FALSE(ran);
}
