// SPDX-License-Identifier: GPL-3.0-or-later
// The real X11 backend on an Xvfb display with the us,ru,ua layouts, typing into a real text
// window: the simulated user presses keys through XTest under a chosen XKB group.

#include "DesktopHarness.h"

#include <csignal>

using namespace keyvane;
using namespace keyvane::desktop;

TEST_F(Desktop, ReplacementTurnsTheTypedWordIntoTheReplacementExactly) {
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "ghbdtn " && words.size() == 1; })) << seen();
    ReplacementAdapter::replaceLastWord(*platform, 6, "Привіт", " ");
    ASSERT_TRUE(spinUntil([&] { return text() == "Привіт "; })) << text();

    user.press({KeyCode::v, KeyCode::grave, KeyCode::z, KeyCode::t, KeyCode::f,
                KeyCode::space}); // "v`ztf": м'ята typed on the English layout
    ASSERT_TRUE(spinUntil([&] { return text() == "Привіт v`ztf "; })) << text();
    ReplacementAdapter::replaceLastWord(*platform, 5, "М'ЯТА", "\n");
    ASSERT_TRUE(spinUntil([&] { return text() == "Привіт М'ЯТА\n"; })) << text();

    ReplacementAdapter::replaceLastWord(*platform, 5, "Latin", ".");
    ASSERT_TRUE(spinUntil([&] { return text() == "Привіт Latin."; })) << text();
    // The program's own key presses never reached the token buffer as words: the user's next word
    // is the third.
    user.press({KeyCode::a, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return words.size() >= 3; })) << seen();
    EXPECT_EQ(words.size(), 3u) << seen();
    EXPECT_EQ(words.back().token, "a");
}

// A measurement, not a test: run by Benchmarks/key-round-trip.sh.
TEST_F(Desktop, DISABLED_KeyPressRoundTripFromTheServerToTheTokenBuffer) {
    // How long a key press takes from the X server to the observer.
    QElapsedTimer timer;
    double total = 0;
    const int presses = 50;
    for (int i = 0; i < presses; ++i) {
        std::size_t before = words.size();
        timer.start();
        user.press({KeyCode::g, KeyCode::space});
        while (words.size() == before && timer.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents); // busy: no sleep in the measurement
        }
        ASSERT_GT(words.size(), before);
        total += static_cast<double>(timer.nsecsElapsed()) / 1000.0;
    }
    std::printf("key press and space, server to emitted word: %.0f us on average\n", total / presses);
}

TEST_F(Desktop, TheLiveProgramCorrectsWordsTypedInTheWrongLayout) {
    home.write(".local/share/keyvane/user_preferences.json",
               R"({"active_languages": ["en", "ru", "uk"], "debug_log": true})");
    home.write(".keyvane_dev", ""); // the developer log, for a failure's post-mortem
    QProcess program;
    ASSERT_TRUE(startLiveProgram(program)) << program.readAllStandardError().toStdString();

    // Russian typed on the English layout: corrected, and the Russian layout becomes active.
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n});
    QElapsedTimer latency;
    latency.start();
    user.press({KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "привет "; })) << text();
    const double boundaryToCorrection = static_cast<double>(latency.nsecsElapsed()) / 1e6;
    EXPECT_TRUE(spinUntil([&] { return platform->currentLayout()->language == Language::ru; }));
    std::printf("boundary key to corrected text: %.1f ms\n", boundaryToCorrection);

    // A capital and a trailing comma that is also a letter key; then a Ukrainian word. (The user
    // changes layout only after the program has finished holding the one it chose, 1.7 s.)
    ASSERT_TRUE(awaitLayoutHoldOver());
    user.useGroup(0);
    user.press({KeyCode::g}, /*shift=*/true);
    user.press({KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, 51 /* comma */, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "привет Привет, "; })) << text();
    ASSERT_TRUE(awaitLayoutHoldOver());
    user.useGroup(0);
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::s, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "привет Привет, привіт "; })) << text();
    EXPECT_TRUE(spinUntil([&] { return platform->currentLayout()->language == Language::uk; }));

    // A second copy on the same display steps aside instead of correcting every word twice.
    QProcess second;
    second.start(KEYVANE_EXECUTABLE, QStringList{});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().contains("already running"));
    // It brought its settings window to the front: the user goes back to the text.
    EXPECT_TRUE(spinUntil(
        [] {
            return QProcess::execute("xdotool",
                                     {"search", "--onlyvisible", "--name", "^Keyvane Settings$"}) == 0;
        },
        5000));
    ASSERT_EQ(QProcess::execute("xdotool", {"windowfocus", "--sync", QString::number(editor->winId())}), 0);
    ASSERT_TRUE(spinUntil([&] { return QApplication::activeWindow() == editor.get(); }));

    // A correctly typed word stays as typed.
    ASSERT_TRUE(awaitLayoutHoldOver());
    user.useGroup(0);
    user.press({KeyCode::h, KeyCode::e, KeyCode::l, KeyCode::l, KeyCode::o, KeyCode::space});

    // Undo (Control+F11) only while the correction is the last thing typed: here the user typed
    // after it, and the next word's correction shows that nothing was undone before it.
    user.chord(KeyCode::leftControl, KeyCode::f11);
    // The shortcut comes through a key grab, apart from the typed keys: its turn is awaited.
    ASSERT_TRUE(spinUntil(
        [] { return liveProgramLog().find("Undo requested but no correction") != std::string::npos; }));
    user.press({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "привет Привет, привіт hello мир "; })) << text();
    user.chord(KeyCode::leftControl, KeyCode::f11);
    ASSERT_TRUE(spinUntil([&] { return text() == "привет Привет, привіт hello vbh "; })) << text();
    ASSERT_TRUE(awaitLayoutHoldOver());

    // Selected text is converted in place (Control+F12) and the clipboard given back.
    QGuiApplication::clipboard()->setText("keep me");
    editor->setPlainText("ghbdtn vbh");
    editor->selectAll();
    user.chord(KeyCode::leftControl, KeyCode::f12);
    ASSERT_TRUE(spinUntil([&] { return text() == "привет мир"; })) << text();
    EXPECT_TRUE(spinUntil([&] { return QGuiApplication::clipboard()->text() == "keep me"; }))
        << QGuiApplication::clipboard()->text().toStdString();

    program.terminate();
    EXPECT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
}

// Control+F11 held as a person holds it, in a GTK entry (where Control+BackSpace erases a word and
// Control+V pastes): the corrected word goes, the typed one comes back, and no key arrives as
// Control and the key.
TEST_F(Desktop, UndoWaitsUntilTheShortcutsControlIsLetGo) {
    LiveProgram live;
    FieldProgram field(KEYVANE_FIELD_GTK3);
    ASSERT_TRUE(field.focus());
    ASSERT_TRUE(live.start());
    QGuiApplication::clipboard()->setText("CLIP");
    user.press({KeyCode::o, KeyCode::k, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return field.text() == "ok мир "; })) << field.text();
    user.chordHeld(KeyCode::leftControl, KeyCode::f11);
    const bool waited =
        spinUntil([] { return liveProgramLog().find("Shortcut waits until") != std::string::npos; });
    user.release(KeyCode::leftControl);
    ASSERT_TRUE(waited) << liveProgramLog();
    EXPECT_TRUE(spinUntil([&] { return field.text() == "ok vbh "; })) << field.text() << liveProgramLog();
}

// A paste in the middle of a word: the letters typed after it continue the pasted text, and no
// part of the word is converted (as it was: "ghbXYZвет ").
TEST_F(Desktop, APasteInTheMiddleOfAWordLeavesTheWordAsTyped) {
    LiveProgram live;
    FieldProgram field(KEYVANE_FIELD_GTK3);
    ASSERT_TRUE(field.focus());
    ASSERT_TRUE(live.start());
    QGuiApplication::clipboard()->setText("XYZ");
    user.press({KeyCode::g, KeyCode::h, KeyCode::b});
    user.chord(KeyCode::leftControl, KeyCode::v);
    ASSERT_TRUE(spinUntil([&] { return field.text() == "ghbXYZ"; })) << field.text();
    user.press({KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h,
                KeyCode::space});
    EXPECT_TRUE(spinUntil([&] { return field.text() == "ghbXYZdtn мир "; })) << field.text();
}

TEST_F(Desktop, ShortcutsWithSuperOrAltAreTakenAndRecognised) {
    std::vector<int> fired;
    const Registration registration = platform->onHotkey([&](int id) { fired.push_back(id); });
    ASSERT_TRUE(platform->registerHotkey(7, KeyCode::f9, Modifier::super));
    ASSERT_TRUE(platform->registerHotkey(8, KeyCode::f8, Modifier::alt));
    user.chord(KeyCode::leftSuper, KeyCode::f9);
    user.chord(KeyCode::leftAlt, KeyCode::f8);
    EXPECT_TRUE(spinUntil([&] { return fired.size() == 2; })) << fired.size();
    EXPECT_EQ(fired, (std::vector<int>{7, 8}));
    user.press({KeyCode::f9}); // the key alone is not the shortcut: the next one fired is the third
    user.chord(KeyCode::leftAlt, KeyCode::f8);
    EXPECT_TRUE(spinUntil([&] { return fired.size() >= 3; })) << fired.size();
    EXPECT_EQ(fired, (std::vector<int>{7, 8, 8}));
    platform->unregisterHotkeys();
}

// Benchmarks/fast-typing.sh runs these more often (KEYVANE_FAST_TYPING_RUNS, KEYVANE_FAST_TYPING_GAP_MS).
TEST_F(Desktop, FastTypingNeverLosesOrReordersAKey) {
    LiveProgram live;
    ASSERT_TRUE(live.start());
    // "привет дорогой " typed on the English layout: the second word's first letters come while
    // the first is being replaced, keys still held down among them; all must land after it.
    const std::vector<unsigned int> keys = {
        KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space, KeyCode::l,
        KeyCode::j, KeyCode::h, KeyCode::j, KeyCode::u, KeyCode::j, KeyCode::q, KeyCode::space};
    typeFast("keyboard device", keys, "привет дорогой ", [&] { return text(); });
    typeFast(
        "XTest client", keys, "привет дорогой ", [&] { return text(); }, text(), /*throughXTest=*/true);
}

// The same in programs of other toolkits: a GTK 3 entry and a Qt 5 line edit, typed on the keyboard
// device. Benchmarks/fast-typing.sh runs it more often.
TEST_F(Desktop, FastTypingInGtkAndQt5NeverLosesOrReordersAKey) {
    const std::vector<unsigned int> keys = {
        KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space, KeyCode::l,
        KeyCode::j, KeyCode::h, KeyCode::j, KeyCode::u, KeyCode::j, KeyCode::q, KeyCode::space};
    for (const char* program : {KEYVANE_FIELD_GTK3, KEYVANE_FIELD_QT5}) {
        LiveProgram live;
        FieldProgram field(program);
        ASSERT_TRUE(field.focus());
        ASSERT_TRUE(live.start());
        typeFast(QFileInfo(program).fileName().toUtf8().constData(), keys, "привет дорогой ",
                 [&] { return field.text(); });
    }
}

TEST_F(Desktop, ATimedPauseStopsCorrectionsUntilItEnds) {
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru", "uk"]})");
    QProcess program;
    ASSERT_TRUE(startLiveProgram(program));
    auto request = [](const QStringList& options) {
        QProcess sender;
        sender.start(KEYVANE_EXECUTABLE, options);
        EXPECT_TRUE(sender.waitForFinished(10000));
        EXPECT_EQ(sender.exitCode(), 0) << sender.readAllStandardError().toStdString();
        return sender.readAllStandardOutput().toStdString();
    };

    // The word typed while paused stays as typed: the word typed once the pause is over is
    // corrected, and the line shows that nothing came back to the first one.
    EXPECT_EQ(request({"--pause", "1m"}), "Keyvane is paused for 1 minute.\n");
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    // A later pause takes the place of the one before: this one ends on its own.
    EXPECT_EQ(request({"--pause", "3s"}), "Keyvane is paused for 3 seconds.\n");
    ASSERT_TRUE(
        spinUntil([] { return liveProgramLog().find("The pause is over") != std::string::npos; }, 15000));
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_TRUE(spinUntil([&] { return text() == "ghbdtn привет "; }))
        << "the pause is over: " << text() << liveProgramLog();

    ASSERT_TRUE(awaitLayoutHoldOver());
    user.useGroup(0);
    EXPECT_EQ(request({"--pause-until-restart"}), "Keyvane is paused until it restarts.\n");
    user.press({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
    EXPECT_EQ(request({"--resume"}), "Keyvane corrects words again.\n");
    user.press({KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space});
    EXPECT_TRUE(spinUntil([&] { return text() == "ghbdtn привет vbh мир "; })) << text();

    program.terminate();
    program.waitForFinished(5000);

    // With no copy running, a request says so instead of pretending to pause.
    QProcess orphan;
    orphan.start(KEYVANE_EXECUTABLE, QStringList{"--pause"});
    ASSERT_TRUE(orphan.waitForFinished(10000));
    EXPECT_EQ(orphan.exitCode(), 1);
    EXPECT_TRUE(orphan.readAllStandardError().contains("not running"));
}

TEST_F(Desktop, TheLiveProgramLeavesExcludedApplicationsAlone) {
    home.write(
        ".local/share/keyvane/user_preferences.json",
        R"({"active_languages": ["en", "ru", "uk"], "excluded_apps": {"keyvanedesktoptests": {"name": "Tests"}}})");
    QProcess program;
    ASSERT_TRUE(startLiveProgram(program));
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([] {
        return liveProgramLog().find("is in the exclusion list") != std::string::npos;
    })) << liveProgramLog();
    EXPECT_TRUE(spinUntil([&] { return text() == "ghbdtn "; })) << text(); // the window's keys may lag
    program.terminate();
    program.waitForFinished(5000);
}

namespace {

// xterm running a small program that records every line it receives and runs nothing, as a shell
// would receive commands. F5 switches xterm's secure keyboard (a keyboard grab) on and off.
class LineReaderTerminal {
public:
    explicit LineReaderTerminal(const std::string& directory)
        : output_(directory + "/lines.txt") {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("LANG", "C.UTF-8");
        terminal_.setProcessEnvironment(environment);
        const std::string reader =
            "while IFS= read -r line; do printf '%s\\n' \"$line\" >> " + output_ + "; done";
        terminal_.start("xterm", {"-u8", "-class", "XTerm", "-xrm",
                                  "XTerm*VT100.translations: #override <Key>F5: secure()", "-e", "sh", "-c",
                                  QString::fromStdString(reader)});
    }
    ~LineReaderTerminal() {
        terminal_.terminate();
        terminal_.waitForFinished(5000);
    }
    // No window manager here: the terminal is given the focus as one would.
    bool focus() {
        return terminal_.waitForStarted() &&
               spinUntil(
                   [] {
                       return QProcess::execute("xdotool", {"search", "--class", "XTerm", "windowfocus"}) ==
                              0;
                   },
                   10000);
    }
    std::string lines() const {
        std::ifstream in(output_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    bool running() const { return terminal_.state() == QProcess::Running; }

private:
    std::string output_;
    QProcess terminal_;
};

} // namespace

TEST_F(Desktop, ReturnInATerminalNeverRunsASecondCommand) {
    LiveProgram live;
    LineReaderTerminal terminal(live.home.path());
    ASSERT_TRUE(terminal.focus());
    ASSERT_TRUE(spinUntil([&] {
        const auto front = platform->frontmostApplication();
        return front && front->desktopEntryID == "xterm";
    }));
    ASSERT_TRUE(live.start());
    ASSERT_EQ(platform->frontmostApplication()->desktopEntryID, "xterm");

    user.useGroup(1); // "date" typed on the Russian layout shows "вфеу"
    user.press({KeyCode::d, KeyCode::a, KeyCode::t, KeyCode::e, KeyCode::enter});
    ASSERT_TRUE(spinUntil([&] { return terminal.lines() == "вфеу\n"; })) << terminal.lines();
    EXPECT_TRUE(spinUntil([&] { return user.group() == 0; }))
        << "the layout follows, so the next line comes out right";

    // A word ended by a space is corrected in the terminal as anywhere (Return once it is: a
    // Return during the replacement would stop it); nothing was typed after the first Return (the
    // next line would show it).
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return user.group() == 1; }) && awaitLayoutHoldOver());
    user.press({KeyCode::enter});
    EXPECT_TRUE(spinUntil([&] { return terminal.lines() == "вфеу\nпривет \n"; })) << terminal.lines();
}

// Fast typing in xterm, a line at a time: Benchmarks/fast-typing.sh runs it more often.
TEST_F(Desktop, FastTypingInATerminalNeverLosesOrReordersAKey) {
    LiveProgram live;
    LineReaderTerminal terminal(live.home.path());
    ASSERT_TRUE(terminal.focus());
    ASSERT_TRUE(live.start());
    const std::vector<unsigned int> keys = {KeyCode::g, KeyCode::h, KeyCode::b,     KeyCode::d,
                                            KeyCode::t, KeyCode::n, KeyCode::space, KeyCode::l,
                                            KeyCode::j, KeyCode::h, KeyCode::j,     KeyCode::u,
                                            KeyCode::j, KeyCode::q, KeyCode::space, KeyCode::enter};
    typeFast("xterm", keys, "привет дорогой \n", [&] { return terminal.lines(); });
}

TEST_F(Desktop, NothingIsReadOrTypedWhileATerminalHasItsSecureKeyboardOn) {
    LiveProgram live;
    LineReaderTerminal terminal(live.home.path());
    ASSERT_TRUE(terminal.focus());
    ASSERT_TRUE(spinUntil([&] {
        const auto front = platform->frontmostApplication();
        return front && front->desktopEntryID == "xterm";
    }));
    ASSERT_TRUE(live.start());

    user.press({KeyCode::f5}); // secure keyboard: xterm grabs the keyboard
    ASSERT_TRUE(spinUntil([&] { return platform->keyboardGrabbedElsewhere(); })) << "the grab is seen";
    user.press({KeyCode::p, KeyCode::f, KeyCode::d, KeyCode::n, KeyCode::h, KeyCode::f,
                KeyCode::space}); // "pfdnhf": "завтра" on the English layout, a password
    user.press({KeyCode::enter});
    ASSERT_TRUE(spinUntil([&] { return terminal.lines() == "pfdnhf \n"; })) << terminal.lines();

    user.press({KeyCode::f5}); // secure keyboard off: corrections resume
    ASSERT_TRUE(spinUntil([&] { return !platform->keyboardGrabbedElsewhere(); }));
    user.press({KeyCode::p, KeyCode::f, KeyCode::d, KeyCode::n, KeyCode::h, KeyCode::f, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return user.group() == 1; }) &&
                awaitLayoutHoldOver()); // corrected, then Return
    user.press({KeyCode::enter});
    EXPECT_TRUE(spinUntil([&] { return terminal.lines() == "pfdnhf \nзавтра \n"; })) << terminal.lines();
}

TEST_F(Desktop, ATerminalsSelectionIsNeverAppended) {
    LiveProgram live;
    LineReaderTerminal terminal(live.home.path());
    ASSERT_TRUE(terminal.focus());
    ASSERT_TRUE(spinUntil([&] {
        const auto front = platform->frontmostApplication();
        return front && front->desktopEntryID == "xterm";
    }));
    ASSERT_TRUE(live.start());

    // The selection is the end of what was just typed: erased and typed again converted. No
    // Control+C, which would end the terminal's program.
    user.press({KeyCode::e, KeyCode::c, KeyCode::h, KeyCode::o, KeyCode::space, KeyCode::v, KeyCode::b,
                KeyCode::h}); // "echo vbh"
    QGuiApplication::clipboard()->setText("keep me");
    QGuiApplication::clipboard()->setText("vbh", QClipboard::Selection);
    ASSERT_TRUE(spinUntil([] { return QGuiApplication::clipboard()->ownsSelection(); }));
    const std::size_t mark = liveProgramLog().size();
    user.chord(KeyCode::leftControl, KeyCode::f12);
    // Return only once the conversion is typed and its layout chosen.
    ASSERT_TRUE(
        spinUntil([&] { return liveProgramLog().find("switchLayout: holding", mark) != std::string::npos; }));
    ASSERT_TRUE(awaitLayoutHoldOver());
    user.press({KeyCode::enter});
    ASSERT_TRUE(spinUntil([&] { return terminal.lines() == "echo мир\n"; })) << terminal.lines();
    EXPECT_TRUE(terminal.running()) << "the terminal's program was interrupted";
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "keep me");
    ASSERT_TRUE(awaitLayoutHoldOver());
    user.useGroup(0);

    // Selected elsewhere (in the output above): nothing is typed at the cursor; the conversion is on
    // the clipboard instead.
    user.press({KeyCode::e, KeyCode::c, KeyCode::h, KeyCode::o, KeyCode::space});
    QGuiApplication::clipboard()->setText("ghbdtn vbh", QClipboard::Selection);
    ASSERT_TRUE(spinUntil([] { return QGuiApplication::clipboard()->ownsSelection(); }));
    user.chord(KeyCode::leftControl, KeyCode::f12);
    EXPECT_TRUE(spinUntil([&] { return QGuiApplication::clipboard()->text() == "привет мир"; }))
        << QGuiApplication::clipboard()->text().toStdString();
    user.press({KeyCode::enter});
    EXPECT_TRUE(spinUntil([&] { return terminal.lines() == "echo мир\necho \n"; })) << terminal.lines();
}

TEST_F(Desktop, TextTheProgramDidNotSeeTypedIsNeverErased) {
    LiveProgram live;
    ASSERT_TRUE(live.start());
    auto endOfFirstLine = [&] {
        QTextCursor cursor(editor->document());
        cursor.movePosition(QTextCursor::EndOfLine);
        QRect r = editor->cursorRect(cursor);
        return editor->viewport()->mapToGlobal(r.center());
    };

    // "vfi", a click at the end of another line, "byf ": the click starts a new word there.
    editor->setPlainText("first line of text\n");
    editor->moveCursor(QTextCursor::End);
    user.press({KeyCode::v, KeyCode::f, KeyCode::i});
    ASSERT_TRUE(spinUntil([&] { return text() == "first line of text\nvfi"; })) << text();
    const QPoint point = endOfFirstLine();
    const std::size_t clicked = liveProgramLog().size();
    user.click(point.x(), point.y());
    ASSERT_TRUE(spinUntil([&] { return editor->textCursor().blockNumber() == 0; }));
    // A click may move the focus: the field is asked about anew, and keys are read once it answers.
    ASSERT_TRUE(spinUntil([&] { return focusedFieldKnown(clicked); }, 10000))
        << liveProgramLog().substr(clicked);
    // Every word is decided in order: once "vbh " after it is corrected, so was "byf " (or not).
    user.press({KeyCode::b, KeyCode::y, KeyCode::f, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h,
                KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text().find("мир ") != std::string::npos; })) << text();
    EXPECT_EQ(text().rfind("first line of text", 0), 0u) << text();
    EXPECT_EQ(text().substr(text().size() - 4), "\nvfi") << text();
    EXPECT_EQ(text().find("машина"), std::string::npos) << text();
    ASSERT_TRUE(awaitLayoutHoldOver());

    // "ljh", Control+V, "jut ": the pasted text and what came before it stay.
    editor->clear();
    user.useGroup(0);
    QGuiApplication::clipboard()->setText("PAS");
    user.press({KeyCode::l, KeyCode::j, KeyCode::h});
    user.chord(KeyCode::leftControl, 47 /* V */);
    ASSERT_TRUE(spinUntil([&] { return text() == "ljhPAS"; })) << text();
    user.press({KeyCode::j, KeyCode::u, KeyCode::t, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h,
                KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text().find("мир ") != std::string::npos; })) << text();
    EXPECT_EQ(text().rfind("ljhPASjut ", 0), 0u) << text();
    ASSERT_TRUE(awaitLayoutHoldOver());

    // A cursor key inside the word: the rest is typed elsewhere, nothing is replaced as one word.
    editor->clear();
    user.useGroup(0);
    user.press({KeyCode::v, KeyCode::f, KeyCode::i, KeyCode::left, KeyCode::b, KeyCode::y, KeyCode::f,
                KeyCode::space, KeyCode::end, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h,
                KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text().find("мир ") != std::string::npos; })) << text() << "\n"
                                                                                     << liveProgramLog();
    EXPECT_EQ(text().find("машина"), std::string::npos) << text();
    ASSERT_TRUE(awaitLayoutHoldOver());

    // Undo after a click erases nothing.
    editor->clear();
    user.useGroup(0);
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "привет "; })) << text() << "\n" << liveProgramLog();
    const QPoint start =
        editor->viewport()->mapToGlobal(editor->cursorRect(QTextCursor(editor->document())).center());
    user.click(start.x(), start.y());
    ASSERT_TRUE(spinUntil([&] { return editor->textCursor().position() == 0; }));
    const std::size_t mark = liveProgramLog().size();
    user.chord(KeyCode::leftControl, KeyCode::f11);
    ASSERT_TRUE(
        spinUntil([&] { return liveProgramLog().find("Undo requested", mark) != std::string::npos; }));
    EXPECT_EQ(text(), "привет ");
}

TEST_F(Desktop, MovingTheFocusToAnotherWindowOfTheSameApplicationForgetsTheWord) {
    LiveProgram live;
    QPlainTextEdit other;
    other.setWindowTitle("Keyvane desktop test, second window");
    other.show();
    other.setFocus();
    ASSERT_TRUE(spinUntil([&] { return other.isVisible(); }));
    editor->activateWindow();
    ASSERT_TRUE(spinUntil([&] { return QApplication::activeWindow() == editor.get(); }));
    ASSERT_TRUE(live.start());
    user.press({KeyCode::v, KeyCode::f, KeyCode::i}); // the first half of "машина" in the first window
    ASSERT_TRUE(spinUntil([&] { return text() == "vfi"; })) << text();
    // As a window manager would on Alt+Tab: the keyboard focus moves to the other window.
    const std::size_t moved = liveProgramLog().size();
    ASSERT_EQ(QProcess::execute("xdotool", {"windowfocus", "--sync", QString::number(other.winId())}), 0);
    ASSERT_TRUE(spinUntil([&] { return QApplication::activeWindow() == &other; }));
    // The new window's field is asked about; keys are read once it answers.
    ASSERT_TRUE(spinUntil([&] { return focusedFieldKnown(moved); }, 10000)) << liveProgramLog().substr(moved);
    user.press({KeyCode::b, KeyCode::y, KeyCode::f, KeyCode::space, KeyCode::v, KeyCode::b, KeyCode::h,
                KeyCode::space}); // words are decided in order: "byf " was, once "vbh " is corrected
    ASSERT_TRUE(spinUntil([&] { return other.toPlainText().contains("мир "); }))
        << other.toPlainText().toStdString();
    EXPECT_EQ(text(), "vfi");
    EXPECT_EQ(other.toPlainText().toStdString().find("машина"), std::string::npos)
        << other.toPlainText().toStdString();
}

TEST_F(Desktop, TheUsersOwnLayoutSwitchIsKept) {
    LiveProgram live;
    ASSERT_TRUE(live.start());
    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return text() == "привет " && user.group() == 1; })) << text();
    settle(300);
    user.useGroup(0);                   // the user goes back to English at once
    ASSERT_TRUE(awaitLayoutHoldOver()); // past every re-assertion of the program's choice
    EXPECT_EQ(user.group(), 0u);
}

TEST_F(Desktop, KeysTypedBeforeTheCorrectionComeOutInTheLayoutItSwitchesTo) {
    LiveProgram live;
    ASSERT_TRUE(live.start());
    // The program is too slow for the typist this once: "ghbdtn w" is all in the field before it
    // reads the space. Keys typed past a correction are meant in the layout it switches to, and
    // the word they begin is read so: "w" then "orld" on the Russian layout is "world" mistyped.
    const auto pid = static_cast<pid_t>(live.process.processId());
    ASSERT_EQ(::kill(pid, SIGSTOP), 0);
    user.press(
        {KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space, KeyCode::w});
    const bool typed = spinUntil([&] { return text() == "ghbdtn w"; });
    ASSERT_EQ(::kill(pid, SIGCONT), 0);
    ASSERT_TRUE(typed) << text();
    EXPECT_TRUE(spinUntil([&] { return text() == "привет ц"; })) << text();
    user.press({KeyCode::o, KeyCode::r, KeyCode::l, KeyCode::d, KeyCode::space});
    EXPECT_TRUE(spinUntil([&] { return text() == "привет world "; })) << text();
}

TEST_F(Desktop, TheProgramSaysSoWhenItCannotCorrect) {
    home.write(".local/share/keyvane", "a file where the data directory belongs");
    QProcess program;
    program.setProgram(KEYVANE_EXECUTABLE);
    program.start();
    QByteArray output;
    ASSERT_TRUE(spinUntil(
        [&] {
            output += program.readAllStandardOutput();
            return output.contains("Ctrl+C stops it");
        },
        10000))
        << output.toStdString();
    EXPECT_FALSE(output.contains("words typed in the wrong layout are corrected")) << output.toStdString();
    EXPECT_TRUE(output.contains("cannot be written")) << output.toStdString();
    program.terminate();
    program.waitForFinished(5000);
}

TEST_F(Desktop, TheLiveProgramCorrectsInAChromiumTextAreaAlsoTypedFast) {
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru", "uk"]})");
    // The page mirrors the text area into the window title (spaces as "_": a title's white space
    // is collapsed), which the test reads from the server.
    home.write(
        "page.html",
        "<!doctype html><html><head><title>T:</title></head><body>"
        "<textarea id=t autofocus oninput=\"document.title='T:'+this.value.replace(/ /g,'_')\"></textarea>"
        "<script>document.getElementById('t').focus();</script></body></html>");
    QProcess browser;
    browser.start("chromium",
                  {"--no-sandbox", "--disable-gpu", "--no-first-run", "--disable-background-networking",
                   "--disable-component-update", "--disable-sync", "--password-store=basic",
                   QString::fromStdString("--user-data-dir=" + home.path() + "/profile"),
                   QString::fromStdString("--app=file://" + home.path() + "/page.html")});
    ASSERT_TRUE(browser.waitForStarted());
    auto title = [] {
        QProcess xdotool;
        xdotool.start("xdotool", {"search", "--name", "^T:", "getwindowname"});
        xdotool.waitForFinished(3000);
        std::string name = QString::fromUtf8(xdotool.readAllStandardOutput()).toStdString();
        while (!name.empty() && name.back() == '\n') {
            name.pop_back(); // the line end of xdotool's output, not the text's own spaces
        }
        return name;
    };
    ASSERT_TRUE(spinUntil([&] { return title() == "T:"; }, 20000)) << "chromium did not show the page";
    ASSERT_TRUE(spinUntil(
        [&] {
            return QProcess::execute("xdotool", {"search", "--name", "^T:", "windowfocus", "--sync"}) == 0;
        },
        5000));
    // The text area takes keys: a letter shows, and goes again.
    ASSERT_TRUE(spinUntil([&] {
        user.press({KeyCode::x});
        return spinUntil([&] { return title() != "T:"; }, 500);
    }));
    ASSERT_TRUE(spinUntil([&] {
        if (title() != "T:") {
            user.press({KeyCode::backspace});
        }
        return spinUntil([&] { return title() == "T:"; }, 300);
    })) << title();
    QProcess program;
    ASSERT_TRUE(startLiveProgram(program));

    user.press({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    ASSERT_TRUE(spinUntil([&] { return title() == "T:привет_"; }, 5000)) << title() << liveProgramLog();
    ASSERT_TRUE(awaitLayoutHoldOver());
    user.useGroup(0);
    user.press({KeyCode::g}, /*shift=*/true);
    user.press({KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    EXPECT_TRUE(spinUntil([&] { return title() == "T:привет_Привет_"; }, 5000)) << title();

    // Typed fast on the keyboard device, two corrections and two words left alone a line: no key
    // lost, none in the wrong layout. Benchmarks/fast-typing.sh runs it more often.
    const std::vector<unsigned int> line = {
        KeyCode::g,     KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n,
        KeyCode::space, KeyCode::h, KeyCode::e, KeyCode::l, KeyCode::l, KeyCode::o,
        KeyCode::space, KeyCode::n, KeyCode::t, KeyCode::c, KeyCode::n, KeyCode::space,
        KeyCode::w,     KeyCode::o, KeyCode::r, KeyCode::l, KeyCode::d, KeyCode::space};
    typeFast("chromium", line, "привет_hello_тест_world_", title, "T:привет_Привет_");

    program.terminate();
    program.waitForFinished(5000);
    browser.terminate();
    browser.waitForFinished(5000);
}

TEST_F(Desktop, AWindowThatIsGoneNeverEndsTheProgram) {
    // A window manager names a window that no longer exists: looking at it gives X errors,
    // which must be survived.
    user.setActiveWindow(0x3fffff1);
    EXPECT_TRUE(spinUntil([&] { return !platform->frontmostApplication().has_value(); }));
    user.clearActiveWindow();
    EXPECT_TRUE(spinUntil([&] {
        const auto front = platform->frontmostApplication();
        return front && front->desktopEntryID == "keyvanedesktoptests";
    }));
}

namespace {

const std::vector<unsigned int> ghbdtn = {KeyCode::g, KeyCode::h, KeyCode::b,    KeyCode::d,
                                          KeyCode::t, KeyCode::n, KeyCode::space};

} // namespace

TEST_F(Desktop, WithoutTheAccessibilityBusTheProgramSaysItCannotTellPasswordFields) {
    LiveProgram live(R"({"active_languages": ["en", "ru", "uk"], "skip_when_fields_unknown": true})");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS",
                       "unix:path=" + QString::fromStdString(live.home.path()) + "/no-bus");
    live.process.setProcessEnvironment(environment);
    live.process.start(KEYVANE_EXECUTABLE, QStringList{});
    QByteArray output;
    ASSERT_TRUE(spinUntil(
        [&] {
            output += live.process.readAllStandardOutput();
            return output.contains("Pause:");
        },
        10000))
        << output.toStdString();
    EXPECT_TRUE(output.contains("no accessibility bus is running")) << output.toStdString();
    // The user chose to correct nothing while fields cannot be told.
    user.typeThroughXTest(ghbdtn, 10);
    settle(500);
    EXPECT_EQ(text(), "ghbdtn ");
}

namespace {

// The test program in another role: a Qt window with a password field and an ordinary one, which
// prints both ("password|ordinary") whenever either changes.
int showPasswordForm(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget form;
    form.setWindowTitle("Keyvane password form");
    auto* layout = new QVBoxLayout(&form);
    auto* password = new QLineEdit;
    password->setEchoMode(QLineEdit::Password);
    auto* plain = new QLineEdit;
    layout->addWidget(password);
    layout->addWidget(plain);
    auto print = [password, plain] {
        std::printf("%s|%s\n", password->text().toStdString().c_str(), plain->text().toStdString().c_str());
        std::fflush(stdout);
    };
    QObject::connect(password, &QLineEdit::textChanged, print);
    QObject::connect(plain, &QLineEdit::textChanged, print);
    form.show();
    password->setFocus();
    return QApplication::exec();
}

// The test program as a typist for the footprint measurements: `words` times "ghbdtn " on the
// English layout through XTest, `gapMs` between key events.
int type(int words, int gapMs) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return 1;
    }
    const unsigned int keys[] = {KeyCode::g, KeyCode::h, KeyCode::b,    KeyCode::d,
                                 KeyCode::t, KeyCode::n, KeyCode::space};
    for (int word = 0; word < words; ++word) {
        XkbLockGroup(display, XkbUseCoreKbd, 0);
        for (unsigned int key : keys) {
            XTestFakeKeyEvent(display, key + 8, True, 0);
            XFlush(display);
            QThread::msleep(static_cast<unsigned long>(gapMs / 2));
            XTestFakeKeyEvent(display, key + 8, False, 0);
            XFlush(display);
            QThread::msleep(static_cast<unsigned long>(gapMs - gapMs / 2));
        }
    }
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--password-form") {
        return showPasswordForm(argc, argv);
    }
    if (argc > 3 && std::string(argv[1]) == "--typist") {
        return type(std::atoi(argv[2]), std::atoi(argv[3]));
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
