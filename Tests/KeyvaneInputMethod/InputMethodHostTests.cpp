// SPDX-License-Identifier: GPL-3.0-or-later
// The coordinator inside an input-method framework, with an in-memory text field: keys reach the
// field only when the host lets them pass, and a held key follows the replacement.

#include "../TempHome.h"
#include "Keyvane/correction/AppState.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneInputMethod/InputMethodHost.h"

#include <gtest/gtest.h>
#include <map>

using namespace keyvane;

namespace {

std::string withoutLast(const std::string& text, std::size_t characters) {
    const auto chars = UnicodeText::graphemes(text);
    std::string kept;
    for (std::size_t i = 0; i + characters < chars.size(); ++i) {
        kept += chars[i];
    }
    return kept;
}

// A text field as a framework shows it: its text, the keys that reached it, whether its
// surrounding text is given (and how far it lags behind).
class Field : public InputMethodFrontend {
public:
    std::string text;
    bool surroundingValid = true;
    std::size_t lag = 0; // characters the surrounding text has not caught up with
    std::string layout = "us";
    std::vector<std::string> steps; // what was done to the field, in order
    std::multimap<double, std::function<void()>> timers;
    double clock = 0;

    double now() override { return clock; }
    void schedule(double delay, std::function<void()> step) override {
        timers.emplace(clock + delay, std::move(step));
    }
    void advance(double seconds) {
        const double until = clock + seconds;
        while (!timers.empty() && timers.begin()->first <= until) {
            auto [at, step] = *timers.begin();
            timers.erase(timers.begin());
            clock = at;
            step();
        }
        clock = until;
    }
    std::optional<std::string> textBeforeCursor() override {
        return surroundingValid ? std::optional(withoutLast(text, lag)) : std::nullopt;
    }
    // The selection, at the end of the text; committing replaces it, as toolkits do.
    std::optional<std::string> selectedText() override {
        return surroundingValid ? std::optional<std::string>(selection) : std::nullopt;
    }
    std::string selection;
    void deleteBeforeCursor(std::size_t characters) override {
        steps.push_back("delete " + std::to_string(characters));
        text = withoutLast(text, characters);
    }
    void sendBackspace() override {
        steps.push_back("backspace");
        text = withoutLast(text, 1);
    }
    void commit(const std::string& committed) override {
        steps.push_back("commit " + committed);
        text.resize(text.size() - selection.size());
        selection.clear();
        text += committed;
    }
    std::string currentLayout() override { return layout; }
    void selectLayout(const std::string& chosen) override { layout = chosen; }
};

struct Session {
    keyvane::testing::TempHome home;
    Field field;
    InputMethodHost host;
    std::unique_ptr<AppState> app;

    explicit Session(std::vector<KeyboardLayout> layouts = InputMethodHost::defaultLayouts())
        : host(field, std::move(layouts)) {
        home.write(".local/share/keyvane/user_preferences.json",
                   R"({"active_languages": ["en", "ru", "uk"]})");
        app = AppState::create(host);
        app->startObserving();
        host.focusIn(FocusedField::ordinary, "gedit");
    }
    // Types keys as the framework would: each reaches the field unless the host holds it; a held
    // key reaches it after the replacement.
    void type(std::initializer_list<std::uint16_t> keys) {
        for (auto key : keys) {
            host.keyPressed(key, 0); // pass or hold: the key reaches the field either way
            if (key == KeyCode::enter || key == KeyCode::tab) {
                field.text += key == KeyCode::enter ? "\n" : "\t";
            } else if (auto c = host.translateKey(*host.currentLayout(), key, 0)) {
                field.text += *c;
            }
        }
    }
    void typeGhbdtn(std::uint16_t end = KeyCode::space) {
        type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, end});
    }
    void prefer(const std::string& preferences) {
        home.write(".local/share/keyvane/user_preferences.json", preferences);
        app->reloadConfig();
    }
};

} // namespace

TEST(InputMethodHost, AWordIsReplacedBeforeItsEndingKeyAndTheLayoutFollows) {
    // A terminal runs the line at Return: it must get the corrected word, not a retype after it.
    for (const std::uint16_t end : {KeyCode::enter, KeyCode::tab}) {
        Session s;
        s.typeGhbdtn(end);
        EXPECT_EQ(s.field.text, end == KeyCode::enter ? "привет\n" : "привет\t");
    }
    Session s;
    s.typeGhbdtn();
    EXPECT_EQ(s.field.text, "привет ");
    EXPECT_EQ(s.field.steps, (std::vector<std::string>{"delete 6", "commit привет"}))
        << "the field's own text showed the word: deleted through it, never also by BackSpace";
    s.field.advance(2);
    EXPECT_EQ(s.field.layout, "ru");
    s.type({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space}); // now typed on the Russian layout
    EXPECT_EQ(s.field.text, "привет мир ");
}

TEST(InputMethodHost, UndoBringsTheTypedWordBack) {
    Session s;
    s.typeGhbdtn();
    s.field.steps.clear();
    // The shortcut's own Control goes to the framework first: it moves nothing.
    EXPECT_EQ(s.host.keyPressed(KeyCode::leftControl, Modifier::control), InputMethodHost::KeyVerdict::pass);
    s.app->undoLastCorrection();
    EXPECT_EQ(s.field.text, "ghbdtn ");
    EXPECT_EQ(s.field.steps, (std::vector<std::string>{"delete 7", "commit ghbdtn "}));
    s.field.advance(2);
    EXPECT_EQ(s.field.layout, "us") << "the layout goes back with the word";
    s.app->undoLastCorrection(); // nothing left to undo: the field stays
    EXPECT_EQ(s.field.text, "ghbdtn ");
}

TEST(InputMethodHost, WhereTheFieldsTextLagsOrIsNotGivenTheWordIsErasedKeyByKey) {
    for (const bool valid : {false, true}) {
        Session s;
        s.field.surroundingValid = valid;
        s.field.lag = 2; // "ghbd" shown where "ghbdtn" was typed
        s.typeGhbdtn();
        EXPECT_EQ(s.field.text, "привет ") << valid;
        EXPECT_EQ(std::count(s.field.steps.begin(), s.field.steps.end(), "backspace"), 6) << valid;
        EXPECT_EQ(s.field.steps.back(), "commit привет");
    }
}

TEST(InputMethodHost, NothingTypedInAPasswordFieldIsReadAndNothingCarriesOverToTheNextField) {
    Session s;
    s.host.focusIn(FocusedField::password, "gedit");
    s.typeGhbdtn();
    EXPECT_EQ(s.field.text, "ghbdtn ");
    EXPECT_TRUE(s.field.steps.empty());
    // Out of the field and into none: nothing is read until a field says what it is.
    s.host.focusOut();
    s.typeGhbdtn();
    EXPECT_TRUE(s.field.steps.empty());
    s.host.focusIn(FocusedField::ordinary, "gedit");
    s.typeGhbdtn();
    EXPECT_EQ(s.field.steps, (std::vector<std::string>{"delete 6", "commit привет"}));
}

TEST(InputMethodHost, ExcludedProgramsAndIfTheUserSaysSoFieldsThatTellNothingAreLeftAlone) {
    // An X program through XIM: a password field there looks like any other.
    for (const bool skip : {false, true}) {
        Session s;
        s.prefer(
            std::string(
                R"({"active_languages": ["en", "ru", "uk"], "excluded_apps": {"foot": {"name": "foot"}},)") +
            R"( "skip_when_fields_unknown": )" + (skip ? "true}" : "false}"));
        s.host.focusIn(FocusedField::ordinary, "foot");
        s.typeGhbdtn();
        EXPECT_EQ(s.field.text, "ghbdtn ");
        s.host.focusIn(FocusedField::unknown, "xterm");
        s.typeGhbdtn();
        EXPECT_EQ(s.field.text, skip ? "ghbdtn ghbdtn " : "ghbdtn привет ");
        s.host.focusIn(FocusedField::ordinary, "gedit"); // a field that tells is corrected either way
        s.typeGhbdtn();
        EXPECT_EQ(s.field.text, skip ? "ghbdtn ghbdtn привет " : "ghbdtn привет привет ");
        // A program with no name (through GNOME Shell) after the excluded one is not that one.
        s.host.focusIn(FocusedField::ordinary, "foot");
        s.host.focusIn(FocusedField::ordinary, "");
        s.typeGhbdtn();
        EXPECT_EQ(s.field.text, skip ? "ghbdtn ghbdtn привет привет " : "ghbdtn привет привет привет ");
    }
}

TEST(InputMethodHost, AWordContinuedAfterTheCursorMovedIsNoWordOfItsOwn) {
    Session s;
    s.type({KeyCode::g, KeyCode::h, KeyCode::b});
    s.host.reset(); // a click: the cursor is back after "ghb"
    s.type({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_EQ(s.field.text, "ghbdtn ");
    EXPECT_TRUE(s.field.steps.empty());
    s.type({KeyCode::g, KeyCode::h, KeyCode::b});
    s.host.keyPressed(KeyCode::left, 0); // the framework tells of no reset; the keys say it
    s.host.keyPressed(KeyCode::right, 0);
    s.type({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_EQ(s.field.text, "ghbdtn ghbdtn ");
    EXPECT_TRUE(s.field.steps.empty());
    s.host.reset(); // after a space: the next word is a word
    s.typeGhbdtn();
    EXPECT_EQ(s.field.text, "ghbdtn ghbdtn привет ");
}

TEST(InputMethodHost, TheSelectionTheFieldTellsIsConvertedInPlaceAndNeverInAPasswordField) {
    Session s;
    s.field.text = "ok ghbdtn";
    s.field.selection = "ghbdtn";
    s.app->convertSelection();
    EXPECT_EQ(s.field.text, "ok привет");
    s.field.advance(2);
    EXPECT_EQ(s.field.layout, "ru");

    s.field.text = "ok ";
    s.app->convertSelection(); // nothing selected: nothing typed
    EXPECT_EQ(s.field.text, "ok ");

    s.host.focusIn(FocusedField::password, "gedit");
    s.field.text = "ghbdtn";
    s.field.selection = "ghbdtn";
    s.app->convertSelection();
    EXPECT_EQ(s.field.text, "ghbdtn");
}

// A user whose Russian layout was the phonetic one gets it from the host: the keys type it, and a
// word typed on the English layout is read as typed on it.
TEST(InputMethodHost, TheUsersLayoutVariantsAreTypedAndCorrectedAsTheyMapTheKeys) {
    const auto layouts = InputMethodHost::layoutsFor({"de", "ru+phonetic", "ru", "us"});
    ASSERT_EQ(layouts.size(), 3u);
    EXPECT_EQ(layouts[0].id(), "us");
    EXPECT_EQ(layouts[1].id(), "ru(phonetic)") << "the first of the user's Russian layouts";
    EXPECT_EQ(layouts[2].id(), "ua");

    Session s(layouts);
    s.type({KeyCode::p, KeyCode::r, KeyCode::i, KeyCode::w, KeyCode::e, KeyCode::t, KeyCode::space});
    EXPECT_EQ(s.field.text, "привет ");
    s.field.advance(2);
    s.type({KeyCode::q, KeyCode::space}); // "я" on the phonetic layout, "й" on the usual one
    EXPECT_EQ(s.field.text, "привет я ");

    Session unknown(InputMethodHost::layoutsFor({"ru+no-such-variant"}));
    EXPECT_EQ(unknown.host.layouts(), InputMethodHost::defaultLayouts()) << "a variant XKB does not know";
}
