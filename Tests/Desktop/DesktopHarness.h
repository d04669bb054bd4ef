// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the desktop tests share: waiting for a condition with a deadline, the live program in a home of
// its own, the user at the keyboard, and a text window with the key observer watching it.
#include "../TempHome.h"
#include "Keyvane/correction/InputObserver.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "Keyvane/correction/ReplacementAdapter.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvanePlatform/x11/X11Platform.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSettings>
#include <QTextBlock>
#include <QThread>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

// Xlib after everything else: its macros (None, Bool, Status) collide with ordinary names.
// clang-format off
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#undef None
#undef Bool
#undef Status
// clang-format on

namespace keyvane::desktop {

// evdev codes of the keys used here.

inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

inline void settle(int ms = 150) {
    spinUntil([] { return false; }, ms);
}

// What the live program's developer log says, in the temporary home.
inline std::string liveProgramLog() {
    std::ifstream in(qEnvironmentVariable("HOME").toStdString() + "/.local/state/keyvane/keyvane.log");
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Until the layout the program chose last is no longer held: it re-asserts its choice for a while
// (1.7 s), and a switch by the user in that time would be taken for the user's own choice. Read
// from the developer log, which must be on.
inline bool awaitLayoutHoldOver() {
    return spinUntil(
        [] {
            const std::string log = liveProgramLog();
            const std::size_t held = log.rfind("switchLayout: holding ");
            if (held == std::string::npos) {
                return !log.empty(); // no switch yet; an empty log is a test without the log on
            }
            for (const char* verdict :
                 {"Switched keyboard layout to: ", "did NOT hold", "no more re-assertion"}) {
                if (log.find(verdict, held) != std::string::npos) {
                    return true;
                }
            }
            return false;
        },
        10000);
}

// Whether the log, from `mark` on, says the focused field is known: keys are read (or knowingly
// left alone) from then on.
inline bool focusedFieldKnown(std::size_t mark = 0) {
    const std::string log = liveProgramLog();
    if (log.size() < mark) {
        mark = 0; // a new log was begun
    }
    for (std::size_t at = log.find("Focused field: ", mark); at != std::string::npos;
         at = log.find("Focused field: ", at + 1)) {
        const std::string asking = "Focused field: asking";
        if (log.compare(at, asking.size(), asking) != 0) {
            return true;
        }
    }
    return false;
}

// Starts the live program (its preferences already in the temporary home); true once it runs and,
// unless told not to wait, knows what the focused field is. Its developer log is on, where the
// preferences file can be read, so that the test can tell when.
inline bool startLiveProgram(QProcess& program, bool waitForTheField = true) {
    const std::string home = qEnvironmentVariable("HOME").toStdString();
    // A returning user: the welcome of the first start was shown before.
    QSettings(QString::fromStdString(home) + "/.config/Keyvane/Keyvane.conf", QSettings::IniFormat)
        .setValue("Onboarding/welcomed", true);
    const std::string preferencesPath = home + "/.local/share/keyvane/user_preferences.json";
    std::ifstream in(preferencesPath);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    const std::string preferences = text.str();
    const bool logging = !preferences.empty() && preferences.front() == '{' && preferences.back() == '}' &&
                         preferences.find("debug_log") == std::string::npos;
    if (logging) {
        std::ofstream(home + "/.keyvane_dev");
        const bool empty = preferences.find_first_not_of(" \n\t", 1) == preferences.size() - 1;
        std::ofstream(preferencesPath)
            << "{\"debug_log\": true" << (empty ? "" : ", ") << preferences.substr(1);
    }
    const std::size_t mark = liveProgramLog().size();
    program.setProgram(KEYVANE_EXECUTABLE);
    program.start();
    if (!spinUntil([&] { return program.readAllStandardOutput().contains("Keyvane is running"); }, 10000)) {
        return false;
    }
    if (waitForTheField && (logging || preferences.find("\"debug_log\": true") != std::string::npos)) {
        return spinUntil([&] { return focusedFieldKnown(mark); }, 10000);
    }
    return true;
}

// The live program with the three languages active, in a temporary home; stopped at the end.
struct LiveProgram {
    explicit LiveProgram(const std::string& preferences = R"({"active_languages": ["en", "ru", "uk"]})") {
        home.write(".local/share/keyvane/user_preferences.json", preferences);
    }
    ~LiveProgram() {
        process.terminate();
        process.waitForFinished(5000);
    }
    bool start(bool waitForTheField = true) { return startLiveProgram(process, waitForTheField); }

    keyvane::testing::TempHome home;
    QProcess process;
};

// The live program with its developer log on, so that a test can wait for what it says.
struct LoggingLiveProgram : LiveProgram {
    LoggingLiveProgram()
        : LiveProgram(R"({"active_languages": ["en", "ru", "uk"], "debug_log": true})") {
        home.write(".keyvane_dev", "");
    }
    std::string log() const {
        std::ifstream in(home.path() + "/.local/state/keyvane/keyvane.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::size_t mark() const { return log().size(); }
    // Waits until the log says `line` after `mark`.
    bool saysAfter(std::size_t mark, const std::string& line, int timeoutMs = 5000) const {
        return spinUntil([&] { return log().find(line, mark) != std::string::npos; }, timeoutMs);
    }
};

// A one-line field in a program of its own, for what other toolkits do with the keys they get:
// the program prints the field's whole text at every change. A GTK 3 entry (keyvane-field-gtk3) or
// a Qt 5 line edit (keyvane-field-qt5).
class FieldProgram {
public:
    explicit FieldProgram(const QString& program)
        : class_(QFileInfo(program).fileName()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("GDK_BACKEND", "x11");
        environment.insert("GTK_IM_MODULE", "gtk-im-context-simple"); // the keys as they come
        process_.setProcessEnvironment(environment);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(program, QStringList{});
    }
    ~FieldProgram() {
        process_.terminate();
        process_.waitForFinished(5000);
    }
    // No window manager here: the window is given the focus as one would.
    bool focus() {
        return process_.waitForStarted() &&
               spinUntil(
                   [&] {
                       return QProcess::execute("xdotool", {"search", "--onlyvisible", "--class", class_,
                                                            "windowfocus"}) == 0;
                   },
                   10000);
    }
    std::string text() {
        read();
        return text_;
    }

private:
    void read() {
        buffer_ += process_.readAllStandardOutput().toStdString();
        for (std::size_t end; (end = buffer_.find('\n')) != std::string::npos; buffer_.erase(0, end + 1)) {
            text_ = buffer_.substr(0, end);
        }
    }
    QString class_;
    QProcess process_;
    std::string buffer_;
    std::string text_;
};

// The user at the keyboard: a separate X connection pressing keys through XTest.
class User {
public:
    User()
        : display_(XOpenDisplay(nullptr)) {}
    ~User() {
        if (keyboard_ != nullptr) {
            XCloseDevice(display_, keyboard_);
        }
        XCloseDisplay(display_);
    }
    void useGroup(unsigned int group) {
        XkbLockGroup(display_, XkbUseCoreKbd, group);
        XSync(display_, False);
        settle(50);
    }
    unsigned int group() {
        XkbStateRec state{};
        XkbGetState(display_, XkbUseCoreKbd, &state);
        return state.locked_group;
    }
    void press(std::initializer_list<unsigned int> evdevKeys, bool shift = false) {
        for (unsigned int key : evdevKeys) {
            if (shift) {
                XTestFakeKeyEvent(display_, KeyCode::leftShift + 8, True, 0);
            }
            XTestFakeKeyEvent(display_, key + 8, True, 0);
            XTestFakeKeyEvent(display_, key + 8, False, 0);
            if (shift) {
                XTestFakeKeyEvent(display_, KeyCode::leftShift + 8, False, 0);
            }
            XSync(display_, False);
        }
    }

    // Types through the server's own keyboard device, as a physical keyboard does (keys of the
    // XTest device cannot be held), `gapMs` between key events.
    void typeOnKeyboard(const std::vector<unsigned int>& evdevKeys, int gapMs) {
        XDevice* keyboard = physicalKeyboard();
        ASSERT_NE(keyboard, nullptr) << "no keyboard device besides XTest";
        for (unsigned int key : evdevKeys) {
            XTestFakeDeviceKeyEvent(display_, keyboard, key + 8, True, nullptr, 0, 0);
            XFlush(display_);
            pace(gapMs / 2);
            XTestFakeDeviceKeyEvent(display_, keyboard, key + 8, False, nullptr, 0, 0);
            XFlush(display_);
            pace(gapMs - gapMs / 2);
        }
        XSync(display_, False);
    }
    // The same through the XTest device, as on-screen keyboards and xdotool type.
    void typeThroughXTest(const std::vector<unsigned int>& evdevKeys, int gapMs) {
        for (unsigned int key : evdevKeys) {
            XTestFakeKeyEvent(display_, key + 8, True, 0);
            XFlush(display_);
            pace(gapMs / 2);
            XTestFakeKeyEvent(display_, key + 8, False, 0);
            XFlush(display_);
            pace(gapMs - gapMs / 2);
        }
        XSync(display_, False);
    }
    // Presses a key with a modifier and keeps the modifier down, until let go with `release`.
    void chordHeld(unsigned int modifier, unsigned int key) {
        XTestFakeKeyEvent(display_, modifier + 8, True, 0);
        XTestFakeKeyEvent(display_, key + 8, True, 0);
        XTestFakeKeyEvent(display_, key + 8, False, 0);
        XSync(display_, False);
    }
    void release(unsigned int key) {
        XTestFakeKeyEvent(display_, key + 8, False, 0);
        XSync(display_, False);
    }
    // A click of the first mouse button at a point of the screen.
    void click(int x, int y) {
        XTestFakeMotionEvent(display_, -1, x, y, 0);
        XTestFakeButtonEvent(display_, 1, True, 0);
        XTestFakeButtonEvent(display_, 1, False, 0);
        XSync(display_, False);
    }

    // Claims, as a window manager would, that this window is the active one.
    void setActiveWindow(unsigned long window) {
        Atom active = XInternAtom(display_, "_NET_ACTIVE_WINDOW", False);
        XChangeProperty(display_, DefaultRootWindow(display_), active, XA_WINDOW, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&window), 1);
        XSync(display_, False);
    }
    void clearActiveWindow() {
        XDeleteProperty(display_, DefaultRootWindow(display_),
                        XInternAtom(display_, "_NET_ACTIVE_WINDOW", False));
        XSync(display_, False);
    }
    void chord(unsigned int modifier, unsigned int key) {
        XTestFakeKeyEvent(display_, modifier + 8, True, 0);
        XTestFakeKeyEvent(display_, key + 8, True, 0);
        XTestFakeKeyEvent(display_, key + 8, False, 0);
        XTestFakeKeyEvent(display_, modifier + 8, False, 0);
        XSync(display_, False);
    }

private:
    // The typist's pace: the test's own window keeps handling events meanwhile.
    static void pace(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    XDevice* physicalKeyboard() {
        if (keyboard_ != nullptr) {
            return keyboard_;
        }
        int count = 0;
        XIDeviceInfo* devices = XIQueryDevice(display_, XIAllDevices, &count);
        for (int i = 0; i < count && keyboard_ == nullptr; ++i) {
            if (devices[i].use == XISlaveKeyboard &&
                std::string(devices[i].name).find("XTEST") == std::string::npos) {
                keyboard_ = XOpenDevice(display_, static_cast<XID>(devices[i].deviceid));
            }
        }
        XIFreeDeviceInfo(devices);
        return keyboard_;
    }
    Display* display_;
    XDevice* keyboard_ = nullptr;
};

class Desktop : public ::testing::Test {
protected:
    // Whatever a test writes (the developer log above all) stays in a home of its own.
    keyvane::testing::TempHome home;

    void SetUp() override {
        platform = X11Platform::connect();
        ASSERT_NE(platform, nullptr) << "no X display with XInput 2.2, XKB and XTEST";
        editor = std::make_unique<QPlainTextEdit>();
        editor->setWindowTitle("Keyvane desktop test");
        editor->show();
        editor->activateWindow();
        editor->setFocus();
        ASSERT_TRUE(
            spinUntil([&] { return editor->hasFocus() && QApplication::focusWidget() == editor.get(); }));
        observer =
            std::make_unique<InputObserver>(*platform, [this](const EmittedToken& t) { words.push_back(t); });
        observer->start();
        user.useGroup(0);
        settle();
    }
    void TearDown() override {
        observer.reset();
        editor.reset();
        user.useGroup(0);
    }
    std::string text() const { return editor->toPlainText().toStdString(); }
    // Types `keys` on the keyboard device (or through XTest) `runs` times (KEYVANE_FAST_TYPING_RUNS,
    // at least 3) at 10 and at 20 ms between key events (or at KEYVANE_FAST_TYPING_GAP_MS only),
    // each time expecting `each` more after `start` in what `shown` gives, as the live program
    // corrects them; prints the runs that did not and the count for each speed ("fast typing, ..."
    // for the benchmark).
    void typeFast(const char* program, const std::vector<unsigned int>& keys, const std::string& each,
                  const std::function<std::string()>& shown, std::string start = {},
                  bool throughXTest = false) {
        const int runs = std::max(3, qEnvironmentVariableIntValue("KEYVANE_FAST_TYPING_RUNS"));
        for (const int gap : {10, 20}) {
            if (qEnvironmentVariableIsSet("KEYVANE_FAST_TYPING_GAP_MS") &&
                qEnvironmentVariableIntValue("KEYVANE_FAST_TYPING_GAP_MS") != gap) {
                continue;
            }
            int faults = 0;
            for (int run = 0; run < runs; ++run) {
                ASSERT_TRUE(awaitLayoutHoldOver());
                user.useGroup(0);
                if (throughXTest) {
                    user.typeThroughXTest(keys, gap);
                } else {
                    user.typeOnKeyboard(keys, gap);
                }
                start += each;
                if (!spinUntil([&] { return shown() == start; }, 5000)) {
                    ++faults;
                    start = shown(); // the next run goes on from what is there
                    std::printf("run %d: \"%s\"\n", run, start.c_str());
                }
            }
            std::printf("fast typing, %d ms between keys, %s: %d faults in %d runs\n", gap, program, faults,
                        runs);
            EXPECT_EQ(faults, 0) << program << ", " << gap << " ms";
        }
    }
    std::string seen() const {
        std::string out = "text \"" + text() + "\", words:";
        for (const EmittedToken& w : words) {
            out += " [" + w.token + "|" + w.boundary.text() + "]";
        }
        return out;
    }

    std::unique_ptr<PlatformServices> platform;
    std::unique_ptr<QPlainTextEdit> editor;
    std::unique_ptr<InputObserver> observer;
    std::vector<EmittedToken> words;
    User user;
};

} // namespace keyvane::desktop
