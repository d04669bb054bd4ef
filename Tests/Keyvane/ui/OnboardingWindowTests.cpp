// SPDX-License-Identifier: GPL-3.0-or-later
// The onboarding window: it waits while keys cannot be watched, goes on once they can, and
// follows the interface language.

#include "../../TempHome.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/ui/OnboardingWindow.h"
#include "Keyvane/ui/TrayIconPainter.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/UserPreferences.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {

// Whether a visible label shows the text of `key` (some add a detail, or follow another text).
bool shows(QWidget& window, const std::string& key) {
    const QString text = QString::fromStdString(L10n::t(key));
    for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().contains(text) && label->isVisible()) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(Onboarding, WaitsWhileKeysCannotBeWatchedAndGoesOnOnceTheyCanInTheChosenLanguage) {
    TempHome home;
    L10n::setLanguage("en");
    KeyAccess access = KeyAccess::missingExtensions;
    int completions = 0;
    OnboardingWindow window([&] { return access; }, [&] { ++completions; });
    window.show();
    // Russian chosen here: kept for the program, and the window is made anew in it, still waiting.
    QComboBox* language = window.findChild<QComboBox*>("onboardingLanguage");
    language->setCurrentIndex(language->findData("ru"));
    emit language->activated(language->currentIndex());
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.windowTitle() == "Добро пожаловать в Keyvane"; }));
    EXPECT_EQ(UserPreferences::load(UserPreferences::defaultPath()).uiLanguage, "ru");
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(window, "onboarding.hint.waiting"); })) << "in Russian";

    QPushButton* next = window.findChild<QPushButton*>("onboardingContinue");
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->isEnabled());
    EXPECT_TRUE(shows(window, "onboarding.card.desc_extensions"));
    EXPECT_TRUE(shows(window, "onboarding.hint.waiting"));
    EXPECT_TRUE(shows(window, "onboarding.title"));
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_EQ(completions, 0) << "Return does nothing before keys can be watched";
    EXPECT_TRUE(window.isVisible());

    access = KeyAccess::granted; // looked at again every second
    ASSERT_TRUE(QTest::qWaitFor([&] { return next->isEnabled(); }, 3000));
    EXPECT_TRUE(shows(window, "onboarding.card.ready"));
    EXPECT_FALSE(shows(window, "onboarding.hint.waiting"));
    EXPECT_TRUE(shows(window, "onboarding.title_ready"));
    EXPECT_FALSE(shows(window, "onboarding.title")) << "no longer asks for what it has";
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(window.isVisible());
    L10n::setLanguage("en");
}

TEST(Onboarding, OnWaylandWithoutTheAddonTheStepsAreGivenUntilItRuns) {
    TempHome home;
    L10n::setLanguage("en");
    using CorrectionReadiness::WaylandReach;
    WaylandReach reach = WaylandReach::notWayland;
    OnboardingWindow window([] { return KeyAccess::granted; }, [] {}, [&] { return reach; });
    window.show();
    EXPECT_FALSE(window.findChild<QWidget*>("onboardingWayland")->isVisible()) << "an X11 session";

    reach = WaylandReach::unreached;
    window.refresh();
    EXPECT_TRUE(shows(window, "onboarding.wayland.steps"));
    EXPECT_TRUE(window.canContinue()) << "programs on Xwayland are corrected meanwhile";

    reach = WaylandReach::addonCorrects; // fcitx5 started with the addon: looked at again every second
    ASSERT_TRUE(QTest::qWaitFor([&] { return shows(window, "onboarding.wayland.ready"); }, 3000));
    EXPECT_FALSE(shows(window, "onboarding.wayland.steps"));
}

// On GNOME the IBus engine is the way: the window says whether it is installed and the input
// source, as the session is found to be.
TEST(Onboarding, OnGnomeTheIBusEngineIsFoundInstalledThenSelected) {
    TempHome home;
    L10n::setLanguage("en");
    using CorrectionReadiness::WaylandReach;
    ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    ::setenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME", 1);
    const std::string components = home.path() + "/components";
    std::filesystem::create_directories(components);
    ::setenv("IBUS_COMPONENT_PATH", components.c_str(), 1);
    OnboardingWindow window([] { return KeyAccess::granted; }, [] {}, CorrectionReadiness::waylandReach);
    window.show();
    EXPECT_TRUE(shows(window, "onboarding.gnome.steps"));
    EXPECT_NE(CorrectionReadiness::inputMethodSetupSteps().find("keyvane-ibus"), std::string::npos);

    home.write("components/keyvane.xml", "<component/>");
    window.refresh();
    EXPECT_TRUE(shows(window, "onboarding.gnome.select"));
    auto* add = window.findChild<QPushButton*>("onboardingAddInputSource");
    EXPECT_FALSE(add->isVisible()) << "offered where nothing can add the source";

    // Added to GNOME's input sources only when the user asks; a failure says why.
    int asked = 0;
    std::optional<std::string> answer = "GNOME's input-source settings are not installed";
    window.offerToAddInputSource([&] {
        ++asked;
        return answer;
    });
    window.refresh();
    ASSERT_TRUE(add->isVisible());
    EXPECT_EQ(asked, 0);
    add->click();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(shows(window, "onboarding.gnome.add_failed")) << "the reason is missing";
    EXPECT_TRUE(add->isVisible());
    answer.reset();
    add->click();
    EXPECT_TRUE(shows(window, "onboarding.gnome.added"));
    EXPECT_FALSE(add->isVisible());

    // The engine runs (as a process of its own: init's number stands for it).
    const std::filesystem::path marker = AppPaths::inputMethodHostMarkerPath();
    std::filesystem::create_directories(marker.parent_path());
    std::ofstream(marker) << "1\nlanguage en\npaused 0\n";
    window.refresh();
    EXPECT_TRUE(shows(window, "onboarding.gnome.ready"));
    auto* switchKey = window.findChild<QPushButton*>("onboardingSwitchKey");
    EXPECT_FALSE(switchKey->isVisible()) << "offered where nothing can give the key";

    // Super+Space is offered only while no switch key of the user's reaches the engine, and given
    // only when asked.
    bool userHasSwitchKey = true;
    int given = 0;
    window.offerSwitchKey([&] { return !userHasSwitchKey; },
                          [&] {
                              ++given;
                              return std::optional<std::string>();
                          });
    window.refresh();
    EXPECT_FALSE(switchKey->isVisible()) << "offered to a user who has a switch key";
    userHasSwitchKey = false;
    window.refresh();
    ASSERT_TRUE(switchKey->isVisible());
    EXPECT_TRUE(shows(window, "onboarding.gnome.switch_key_why"));
    EXPECT_EQ(given, 0);
    switchKey->click();
    EXPECT_EQ(given, 1);
    EXPECT_TRUE(shows(window, "onboarding.gnome.switch_key_given"));
    EXPECT_FALSE(switchKey->isVisible());
    std::filesystem::remove(marker);

    ::setenv("XDG_CURRENT_DESKTOP", "KDE", 1); // elsewhere on Wayland, fcitx5's addon
    window.refresh();
    EXPECT_TRUE(shows(window, "onboarding.wayland.steps"));
}

TEST(Onboarding, TheWelcomeIsShownOnceButAProblemEveryTime) {
    TempHome home;
    const std::string settings = home.path() + "/Keyvane.conf";
    EXPECT_TRUE(Onboarding::shouldShow(KeyAccess::granted, settings));
    Onboarding::rememberWelcomed(settings);
    EXPECT_FALSE(Onboarding::shouldShow(KeyAccess::granted, settings));
    EXPECT_TRUE(Onboarding::shouldShow(KeyAccess::missingExtensions, settings));

    // A FIFO in place of the settings file neither hangs the start nor is replaced.
    const std::string fifo = home.path() + "/fifo.conf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); // a reader would wait for ever
    ::alarm(5);                                 // a hang ends the test run here
    EXPECT_TRUE(Onboarding::shouldShow(KeyAccess::granted, fifo));
    Onboarding::rememberWelcomed(fifo);
    ::alarm(0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(TrayBadges, TheBuildsPicturesAreUsedAndDrawnOnlyWhenMissing) {
    TempHome home;
    const QString directory = QString::fromStdString(home.path());
    auto centre = [](const QIcon& icon) { return icon.pixmap(22, 22).toImage().pixelColor(11, 4); };
    EXPECT_GT(centre(TrayIconPainter::icon("EN", false, directory)).blue(), 150) << "drawn: blue";
    for (int size : TrayIconPainter::sizes) {
        QImage red(size, size, QImage::Format_ARGB32);
        red.fill(Qt::red);
        red.save(directory + "/" + TrayIconPainter::fileName("EN", false, size));
    }
    EXPECT_EQ(centre(TrayIconPainter::icon("EN", false, directory)), QColor(Qt::red))
        << "the build's picture";
    EXPECT_EQ(TrayIconPainter::fileName("—", true, 16), "none-16-dim.png");
}
