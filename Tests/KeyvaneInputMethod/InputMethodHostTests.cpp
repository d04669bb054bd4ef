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
        if (!surroundingValid) {
            return std::nullopt;
        }
        const auto chars = UnicodeText::graphemes(text);
        std::string shown;
        for (std::size_t i = 0; i + lag < chars.size(); ++i) {
            shown += chars[i];
        }
        return shown;
    }
    // The selection, at the end of the text; committing replaces it, as toolkits do.
    std::optional<std::string> selectedText() override {
        return surroundingValid ? std::optional<std::string>(selection) : std::nullopt;
    }
    std::string selection;
    void deleteBeforeCursor(std::size_t characters) override {
        steps.push_back("delete " + std::to_string(characters));
        erase(characters);
    }
    void sendBackspace() override {
        steps.push_back("backspace");
        erase(1);
    }
    void commit(const std::string& committed) override {
        steps.push_back("commit " + committed);
        text.resize(text.size() - selection.size());
        selection.clear();
        text += committed;
    }
    std::string currentLayout() override { return layout; }
    void selectLayout(const std::string& chosen) override { layout = chosen; }

private:
    void erase(std::size_t characters) {
        auto chars = UnicodeText::graphemes(text);
        chars.resize(chars.size() >= characters ? chars.size() - characters : 0);
        text.clear();
        for (const auto& c : chars) {
            text += c;
        }
    }
};

struct Session {
    keyvane::testing::TempHome home;
    Field field;
    InputMethodHost host{field};
    std::unique_ptr<AppState> app;

    Session() {
        home.write(".local/share/keyvane/user_preferences.json",
                   R"({"active_languages": ["en", "ru", "uk"]})");
        app = AppState::create(host);
        app->startObserving();
        host.focusIn(FocusedField::ordinary, "gedit");
    }
    // Types keys as the framework would: each reaches the field unless the host holds it; a held
    // key reaches it after the replacement.
    void type(std::initializer_list<std::uint16_t> keys, ModifierFlags modifiers = 0) {
        for (auto key : keys) {
            host.keyPressed(key, modifiers); // pass or hold: the key reaches the field either way
            if (auto c = keyText(key, modifiers)) {
                field.text += *c;
            }
        }
    }
    std::optional<std::string> keyText(std::uint16_t key, ModifierFlags modifiers) {
        if (key == KeyCode::enter) {
            return "\n";
        }
        if (key == KeyCode::tab) {
            return "\t";
        }
        return host.translateKey(*host.currentLayout(), key, modifiers);
    }
};

const std::initializer_list<std::uint16_t> ghbdtn = {KeyCode::g, KeyCode::h, KeyCode::b,
                                                     KeyCode::d, KeyCode::t, KeyCode::n};

} // namespace

TEST(InputMethodHost, AWordIsReplacedBeforeItsEndingKeyAndTheLayoutFollows) {
    Session s;
    s.type(ghbdtn);
    s.type({KeyCode::space});
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
    s.type(ghbdtn);
    s.type({KeyCode::space});
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

TEST(InputMethodHost, ReturnAndTabCorrectTheWordBeforeTheyGoOn) {
    // A terminal runs the line at Return: it must get the corrected word, not a retype after it.
    Session s;
    s.type(ghbdtn);
    s.type({KeyCode::enter});
    EXPECT_EQ(s.field.text, "привет\n");
    Session t;
    t.type(ghbdtn);
    t.type({KeyCode::tab});
    EXPECT_EQ(t.field.text, "привет\t");
}

TEST(InputMethodHost, WhereTheFieldsTextLagsOrIsNotGivenTheWordIsErasedKeyByKey) {
    for (const bool valid : {false, true}) {
        Session s;
        s.field.surroundingValid = valid;
        s.field.lag = 2; // "ghbd" shown where "ghbdtn" was typed
        s.type(ghbdtn);
        s.type({KeyCode::space});
        EXPECT_EQ(s.field.text, "привет ") << valid;
        EXPECT_EQ(std::count(s.field.steps.begin(), s.field.steps.end(), "backspace"), 6) << valid;
        EXPECT_EQ(s.field.steps.back(), "commit привет");
    }
}

TEST(InputMethodHost, NothingTypedInAPasswordFieldIsReadAndNothingCarriesOverToTheNextField) {
    Session s;
    s.host.focusIn(FocusedField::password, "gedit");
    s.type(ghbdtn);
    s.type({KeyCode::space});
    EXPECT_EQ(s.field.text, "ghbdtn ");
    EXPECT_TRUE(s.field.steps.empty());
    // Out of the field and into none: nothing is read until a field says what it is.
    s.host.focusOut();
    s.type(ghbdtn);
    s.type({KeyCode::space});
    EXPECT_TRUE(s.field.steps.empty());
    s.host.focusIn(FocusedField::ordinary, "gedit");
    s.type(ghbdtn);
    s.type({KeyCode::space});
    EXPECT_EQ(s.field.steps, (std::vector<std::string>{"delete 6", "commit привет"}));
}

TEST(InputMethodHost, AFieldThatTellsNothingIsCorrectedUnlessTheUserSkipsSuchFields) {
    // An X program through XIM: a password field there looks like any other.
    for (const bool skip : {false, true}) {
        Session s;
        if (skip) {
            s.home.write(".local/share/keyvane/user_preferences.json",
                         R"({"active_languages": ["en", "ru", "uk"], "skip_when_fields_unknown": true})");
            s.app->reloadConfig();
        }
        s.host.focusIn(FocusedField::unknown, "xterm");
        s.type(ghbdtn);
        s.type({KeyCode::space});
        EXPECT_EQ(s.field.text, skip ? "ghbdtn " : "привет ");
        s.host.focusIn(FocusedField::ordinary, "gedit"); // a field that tells is corrected either way
        s.type(ghbdtn);
        s.type({KeyCode::space});
        EXPECT_EQ(s.field.text, skip ? "ghbdtn привет " : "привет привет ");
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
    s.type(ghbdtn);
    s.type({KeyCode::space});
    EXPECT_EQ(s.field.text, "ghbdtn ghbdtn привет ");
}

TEST(InputMethodHost, ExcludedProgramsAreLeftAlone) {
    Session s;
    s.home.write(".local/share/keyvane/user_preferences.json",
                 R"({"active_languages": ["en", "ru", "uk"], "excluded_apps": {"foot": {"name": "foot"}}})");
    s.app->reloadConfig();
    s.host.focusIn(FocusedField::ordinary, "foot");
    s.type(ghbdtn);
    s.type({KeyCode::space});
    EXPECT_EQ(s.field.text, "ghbdtn ");
    s.host.focusIn(FocusedField::ordinary, "gedit");
    s.type(ghbdtn);
    s.type({KeyCode::space});
    EXPECT_EQ(s.field.text, "ghbdtn привет ");
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
