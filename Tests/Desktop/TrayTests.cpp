// SPDX-License-Identifier: GPL-3.0-or-later
// The tray icon and its menu on a real tray (trayer, an XEmbed tray) on the test display: the
// icon appears with the layout's badge, its menu opens, and its items act. With
// KEYVANE_SCREENSHOTS set to a directory, the icon and the menu are saved there as PNG files.

// clang-format off
// Qt first: the X headers the harness brings define names Qt uses.
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QScreen>
#include "Keyvane/app/L10n.h"
#include "KeyvaneCore/UserPreferences.h"
#include "AccessibleTree.h"
#include "DesktopHarness.h"
// clang-format on

using namespace keyvane;
using namespace keyvane::desktop;

namespace {

QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// The visible windows of a process, on the screen.
std::vector<QRect> windowsOf(qint64 pid) {
    std::vector<QRect> windows;
    const QStringList ids = output("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
                                .split('\n', Qt::SkipEmptyParts);
    for (const QString& id : ids) {
        const QString shell = output("xdotool", {"getwindowgeometry", "--shell", id});
        auto value = [&](const char* name) {
            return QRegularExpression(QString(name) + "=(-?\\d+)").match(shell).captured(1).toInt();
        };
        const QRect rect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
        if (rect.width() > 1 && rect.height() > 1) {
            windows.push_back(rect);
        }
    }
    return windows;
}

QImage grab(const QRect& rect) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage();
}

// The icon's fill, a little off its centre (the badge's letters are at the centre).
QColor iconFill(const QRect& icon) {
    const QImage image = grab(icon);
    return image.pixelColor(image.width() / 2, std::max(1, image.height() / 6 + 1));
}
bool looksBlue(const QColor& c) {
    return c.blue() > c.red() + 60;
}
bool looksGrey(const QColor& c) {
    return std::abs(c.red() - c.blue()) < 30 && std::abs(c.red() - c.green()) < 30;
}

// Only where pictures are asked for: a menu or window just shown may still be drawing.
void waitForScreenshot() {
    if (!qgetenv("KEYVANE_SCREENSHOTS").isEmpty()) {
        settle(300);
    }
}

void save(const QImage& image, const QString& name) {
    const QByteArray dir = qgetenv("KEYVANE_SCREENSHOTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(QString::fromUtf8(dir));
        image.save(QString::fromUtf8(dir) + "/" + name);
    }
}

class Tray {
public:
    bool start() {
        process_.start("trayer",
                       {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                        "--SetDockType", "false", "--transparent", "false", "--tint", "0xeeeeee"});
        return spinUntil(
            [] {
                return !output("xdotool", {"search", "--classname", "trayer"}).isEmpty();
            },
            5000);
    }
    ~Tray() {
        process_.terminate();
        process_.waitForFinished(3000);
    }

private:
    QProcess process_;
};

class TrayIcon : public Desktop {
protected:
    void SetUp() override {
        Desktop::SetUp();
        ASSERT_TRUE(tray.start()) << "trayer did not start";
    }
    void TearDown() override {
        program.terminate();
        program.waitForFinished(5000);
        Desktop::TearDown();
    }
    void startProgram(const std::string& language) {
        // The developer log tells the test when a correction's layout is no longer held.
        home.write(".keyvane_dev", "");
        home.write(".local/share/keyvane/user_preferences.json",
                   R"({"active_languages": ["en", "ru", "uk"], "debug_log": true, "ui_language": ")" +
                       language + R"("})");
        ASSERT_TRUE(startLiveProgram(program)) << program.readAllStandardError().toStdString();
        ASSERT_TRUE(spinUntil([&] { return !windowsOf(program.processId()).empty(); }, 5000))
            << "no tray icon appeared";
        icon = windowsOf(program.processId()).front();
    }
    // Opens the menu with a click on the icon; gives where it is.
    std::optional<QRect> openMenu() {
        QProcess::execute("xdotool", {"mousemove", QString::number(icon.center().x()),
                                      QString::number(icon.center().y()), "click", "3"});
        std::optional<QRect> menu;
        spinUntil(
            [&] {
                for (const QRect& window : windowsOf(program.processId())) {
                    if (window.height() > icon.height() * 3) {
                        menu = window;
                    }
                }
                // Open, and taking keys: a menu grabs the keyboard once it is shown.
                return menu.has_value() && platform->keyboardGrabbedElsewhere();
            },
            5000);
        return menu;
    }
    // Opens the menu and picks the item `downs` items down from the top; the program then shows
    // `windowsAfter` windows (its icon, and any the item opened).
    void choose(int downs, std::size_t windowsAfter = 1) {
        ASSERT_TRUE(openMenu().has_value()) << "the menu did not open";
        for (int i = 0; i < downs; ++i) {
            user.press({KeyCode::down});
        }
        user.press({KeyCode::enter});
        ASSERT_TRUE(spinUntil([&] { return windowsOf(program.processId()).size() == windowsAfter; }, 3000))
            << "the menu stayed open, or the item opened no window";
    }
    bool corrects() {
        editor->activateWindow();
        editor->setFocus();
        // Keys typed before the program knows what the editor's field is are not read: try again.
        bool corrected = false;
        for (int attempt = 0; attempt < 3 && !corrected; ++attempt) {
            editor->clear();
            user.useGroup(0);
            user.press(
                {KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
            corrected = spinUntil([&] { return text() == "привет "; }, 1000);
        }
        EXPECT_TRUE(awaitLayoutHoldOver()); // the user's next switch is the user's own
        return corrected;
    }

    Tray tray;
    QProcess program;
    QRect icon;
};

// Items from the top of the menu in developer mode (its Debug item), with no update and not paused.
constexpr int pause15Minutes = 5;
constexpr int resumeWhilePaused = 7;
constexpr int firstRecentApplication = 10;
constexpr int settingsWithOneRecentApplication = 11;

// A window of the program by its exact title.
std::optional<QRect> windowNamed(const QString& title) {
    const QString id =
        output("xdotool", {"search", "--onlyvisible", "--name", "^" + title + "$"}).section('\n', 0, 0);
    if (id.isEmpty()) {
        return std::nullopt;
    }
    const QString shell = output("xdotool", {"getwindowgeometry", "--shell", id});
    auto value = [&](const char* name) {
        return QRegularExpression(QString(name) + "=(-?\\d+)").match(shell).captured(1).toInt();
    };
    return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
}

} // namespace

TEST_F(TrayIcon, ShowsTheLayoutAndItsMenuPausesResumesExcludesAndQuits) {
    startProgram("en");
    EXPECT_TRUE(looksBlue(iconFill(icon))) << iconFill(icon).name().toStdString();
    save(grab(icon.adjusted(-4, -4, 4, 4)), "tray-active-en.png");

    const std::optional<QRect> menu = openMenu();
    ASSERT_TRUE(menu.has_value());
    settle(300); // an Escape in the first moments of a menu leaves the tray unable to open it again
    save(grab(*menu), "tray-menu-en.png");
    user.press({KeyCode::escape});
    ASSERT_TRUE(spinUntil(
        [&] { return windowsOf(program.processId()).size() == 1 && !platform->keyboardGrabbedElsewhere(); }));

    choose(pause15Minutes);
    EXPECT_TRUE(spinUntil([&] { return looksGrey(iconFill(icon)); })) << iconFill(icon).name().toStdString();
    save(grab(icon.adjusted(-4, -4, 4, 4)), "tray-paused-en.png");
    EXPECT_FALSE(corrects()) << "paused from the menu";

    choose(resumeWhilePaused);
    EXPECT_TRUE(spinUntil([&] { return looksBlue(iconFill(icon)); }));
    EXPECT_TRUE(corrects()) << "resumed from the menu";

    // A request from a terminal shows in the icon at once.
    QProcess::execute(KEYVANE_EXECUTABLE, {"--pause", "1m"});
    EXPECT_TRUE(spinUntil([&] { return looksGrey(iconFill(icon)); })) << "--pause did not show";
    QProcess::execute(KEYVANE_EXECUTABLE, {"--resume"});
    EXPECT_TRUE(spinUntil([&] { return looksBlue(iconFill(icon)); })) << "--resume did not show";

    // The window in front is the first of the recent applications.
    choose(firstRecentApplication);
    EXPECT_TRUE(spinUntil([&] {
        return UserPreferences::load(UserPreferences::defaultPath())
                   .excludedApps.count("keyvanedesktoptests") == 1;
    }));
    EXPECT_FALSE(corrects()) << "the application excluded from the menu is left alone";

    ASSERT_TRUE(openMenu().has_value());
    user.press({KeyCode::up}); // the last item: Quit
    user.press({KeyCode::enter});
    ASSERT_TRUE(program.waitForFinished(5000)) << "Quit did not end the program";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
}

TEST_F(TrayIcon, FollowsTheLayoutAndSpeaksTheInterfaceLanguage) {
    startProgram("uk");
    // The badge changes with the layout: "EN", then "UA".
    const QImage english = grab(icon);
    user.useGroup(2);
    EXPECT_TRUE(spinUntil([&] { return grab(icon) != english; })) << "the icon did not follow the layout";
    const QImage ukrainian = grab(icon);
    save(grab(icon.adjusted(-4, -4, 4, 4)), "tray-active-uk.png");
    user.useGroup(1);
    EXPECT_TRUE(spinUntil([&] { return grab(icon) != english && grab(icon) != ukrainian; }))
        << "Russian has a badge of its own";
    user.useGroup(0);
    EXPECT_TRUE(spinUntil([&] { return grab(icon) == english; })) << "the English badge came back";
    const std::optional<QRect> menu = openMenu();
    ASSERT_TRUE(menu.has_value());
    waitForScreenshot();
    save(grab(*menu), "tray-menu-uk.png");
    user.press({KeyCode::escape});
}

// The settings open from the menu with six tabs: each shows a page of its own, and each tab says its
// name, as a screen reader reads it.
TEST_F(TrayIcon, SettingsOpenFromTheMenu) {
    const char* language = "en";
    const QString title = "Keyvane Settings";
    startProgram(language);
    choose(settingsWithOneRecentApplication, 2);
    std::optional<QRect> window;
    ASSERT_TRUE(spinUntil([&] { return (window = windowNamed(title)).has_value(); }, 5000))
        << "no settings window titled " << title.toStdString();
    AccessibleTree tree;
    std::vector<QString> names;
    for (const char* key : {"settings.tab.general", "settings.tab.hotkeys", "settings.tab.rules",
                            "settings.tab.apps", "settings.tab.languages", "settings.tab.feedback"}) {
        const QString tab = QString::fromStdString(L10n::t(key, language));
        EXPECT_TRUE(spinUntil([&] {
            names = tree.names(program.processId());
            return std::find(names.begin(), names.end(), tab) != names.end();
        })) << "no tab reads \""
            << tab.toStdString() << "\" (" << names.size() << " names read)";
    }
    // A page is what the window shows once two looks in a row agree: drawn, not half drawn.
    auto page = [&] {
        QImage last;
        QImage now;
        spinUntil([&] {
            last = std::exchange(now, grab(*window));
            return now == last;
        });
        return now;
    };
    std::vector<QImage> pages{page()};
    for (const char* tab : {"general", "hotkeys", "rules", "apps", "languages", "feedback"}) {
        waitForScreenshot();
        save(grab(*window), QString("settings-%1-%2.png").arg(tab, language));
        if (pages.size() == 6) {
            break;
        }
        user.chord(KeyCode::leftControl, KeyCode::tab);
        QImage next;
        ASSERT_TRUE(spinUntil([&] {
            return std::find(pages.begin(), pages.end(), next = page()) == pages.end();
        })) << "Control+Tab did not show another page after the "
            << tab << " tab";
        pages.push_back(next);
    }
}

TEST_F(TrayIcon, ASecondStartBringsTheSettingsToTheFront) {
    startProgram("en");
    QProcess second;
    second.start(KEYVANE_EXECUTABLE, QStringList{});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().contains("already running"));
    EXPECT_TRUE(spinUntil([] { return windowNamed("Keyvane Settings").has_value(); }, 5000));
}

TEST_F(TrayIcon, TheFirstStartWelcomesOnceWithoutTakingTheKeyboard) {
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru", "uk"]})");
    program.setProgram(KEYVANE_EXECUTABLE);
    program.start();
    std::optional<QRect> welcome;
    ASSERT_TRUE(spinUntil([&] { return (welcome = windowNamed("Welcome to Keyvane")).has_value(); }, 10000));
    EXPECT_EQ(QApplication::activeWindow(), editor.get()) << "the welcome took the keyboard";
    waitForScreenshot();
    save(grab(*welcome), "onboarding-welcome-en.png");
    program.terminate();
    ASSERT_TRUE(program.waitForFinished(5000));

    program.start();
    ASSERT_TRUE(
        spinUntil([&] { return program.readAllStandardOutput().contains("Keyvane is running"); }, 10000));
    // The welcome would be shown before the program's first turn, the tray icon only after it.
    ASSERT_TRUE(spinUntil([&] { return !windowsOf(program.processId()).empty(); }, 5000));
    EXPECT_FALSE(windowNamed("Welcome to Keyvane").has_value()) << "welcomed again";
}
