// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../TempHome.h"
#include "Keyvane/app/LaunchAtLoginManager.h"
#include "Keyvane/correction/ConfigStore.h"
#include "Keyvane/correction/CorrectionReadiness.h"
#include "Keyvane/correction/GameModeDetector.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(LayoutLanguages, OnlyLayoutsOfKeyvanesLanguagesCountAndTheActiveLanguagesFollowThem) {
    FakePlatform platform;
    platform.setLayouts({FakePlatform::standardLayouts()[0],
                         KeyboardLayout{1, "by", "", "Belarusian", std::nullopt},
                         KeyboardLayout{2, "ru", "phonetic", "Russian (phonetic)", Language::ru}},
                        1);
    EXPECT_EQ(InstalledLanguageDetector::detectInstalledKeys(platform), (std::set<std::string>{"en", "ru"}));
    EXPECT_FALSE(InstalledLanguageDetector::currentKey(platform).has_value()) << "Belarusian is no English";
    EXPECT_EQ(InstalledLanguageDetector::currentLayoutID(platform), "by");
    platform.setLayouts(*platform.enabledLayouts(), 2);
    EXPECT_EQ(InstalledLanguageDetector::currentKey(platform), Language::ru);
    EXPECT_EQ(InstalledLanguageDetector::currentLayoutID(platform), "ru(phonetic)");

    // The active languages follow the installed layouts.
    using InstalledLanguageDetector::reconcile;
    EXPECT_EQ(reconcile({"uk", "en", "ru"}, {"en", "ru"}), (std::vector<std::string>{"en", "ru"}));
    EXPECT_EQ(reconcile({"EN", "Ru"}, {"en", "ru"}), (std::vector<std::string>{"en", "ru"}));
    EXPECT_EQ(reconcile({"en"}, {"uk", "ru", "en"}), (std::vector<std::string>{"en", "ru", "uk"}));

    TempHome home;
    platform.setLayouts(FakePlatform::standardLayouts(), 2); // English, Russian and Ukrainian
    EXPECT_EQ(InstalledLanguageDetector::currentKey(platform), Language::uk);
    UserPreferences prefs;
    prefs.activeLanguages = {"en", "uk"};
    UserPreferences::save(prefs, UserPreferences::defaultPath());
    EXPECT_TRUE(InstalledLanguageDetector::reconcileAndPersist(platform));
    EXPECT_EQ(UserPreferences::load(UserPreferences::defaultPath()).activeLanguages,
              (std::vector<std::string>{"en", "uk", "ru"}));
    EXPECT_FALSE(InstalledLanguageDetector::reconcileAndPersist(platform));
}

TEST(GameDetection, ByTheDesktopEntryCategoryOnceperApplication) {
    TempHome home;
    home.write("game.desktop", "[Desktop Entry]\nName=Chess\nCategories=Game;BoardGame;\n");
    home.write("editor.desktop", "[Desktop Entry]\nName=Editor\nCategories=Utility;TextEditor;\n"
                                 "[Desktop Action Play]\nCategories=Game;\n");
    EXPECT_TRUE(GameModeDetector::isGameApp("org.example.chess", home.path() + "/game.desktop"));
    EXPECT_FALSE(GameModeDetector::isGameApp("org.example.editor", home.path() + "/editor.desktop"));
    EXPECT_FALSE(GameModeDetector::isGameApp("org.example.unknown", std::nullopt));
    // The answer is kept for the rest of the run.
    home.write("game.desktop", "[Desktop Entry]\nCategories=Utility;\n");
    EXPECT_TRUE(GameModeDetector::isGameApp("org.example.chess", home.path() + "/game.desktop"));
}

TEST(LaunchAtLogin, ABuildTreeCopyDoesNotRegisterItselfAndAnEntryStartsTheProgramItNames) {
    TempHome home;
    ASSERT_FALSE(AppPaths::installedDataDir().has_value());
    LaunchAtLoginManager::enable();
    EXPECT_FALSE(std::filesystem::exists(LaunchAtLoginManager::autostartPath()));
    home.write(".config/autostart/keyvane.desktop", "[Desktop Entry]\n");
    LaunchAtLoginManager::disable();
    EXPECT_FALSE(std::filesystem::exists(LaunchAtLoginManager::autostartPath()));

    // The entry starts the program it names, and replaces one for another copy.
    home.write(".config/autostart/keyvane.desktop",
               "[Desktop Entry]\nType=Application\nName=Keyvane\nExec=\"/usr/local/bin/keyvane\"\n");
    ASSERT_TRUE(LaunchAtLoginManager::registerProgram("/opt/key vane/bin/keyvane"));
    std::optional<std::string> entry = AtomicFile::read(LaunchAtLoginManager::autostartPath());
    ASSERT_TRUE(entry.has_value());
    EXPECT_NE(entry->find("\nExec=\"/opt/key vane/bin/keyvane\"\n"), std::string::npos) << *entry;
    EXPECT_EQ(entry->find("/usr/local/bin"), std::string::npos);

    // Characters the desktop's launcher would read as quoting, variables or field codes.
    ASSERT_TRUE(LaunchAtLoginManager::registerProgram("/opt/a$b%c\\d/keyvane"));
    entry = AtomicFile::read(LaunchAtLoginManager::autostartPath());
    EXPECT_NE(entry->find("\nExec=\"/opt/a\\\\$b%%c\\\\\\\\d/keyvane\"\n"), std::string::npos) << *entry;
    if (std::system("command -v desktop-file-validate >/dev/null") == 0) {
        const std::string check = "desktop-file-validate '" + LaunchAtLoginManager::autostartPath() + "'";
        EXPECT_EQ(std::system(check.c_str()), 0);
    }
    EXPECT_FALSE(LaunchAtLoginManager::autostartEntry("/opt/a\nb/keyvane").has_value());
}

TEST(LaunchAtLogin, APreferencesFileThatLostTheSettingLeavesTheEntryAsItIs) {
    // A damaged file salvaged without the setting must not turn launch at login on by itself.
    for (const bool registered : {false, true}) {
        TempHome home;
        if (registered) {
            home.write(".config/autostart/keyvane.desktop", "[Desktop Entry]\n");
        }
        home.write(".local/share/keyvane/user_preferences.json",
                   R"({"active_languages": ["en", "ru"], "launch_at_login": )");
        LaunchAtLoginManager::followPreference(UserPreferences::defaultPath());
        EXPECT_EQ(std::filesystem::exists(LaunchAtLoginManager::autostartPath()), registered);
        const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
        EXPECT_EQ(preferences.launchAtLogin, registered) << "the menu shows what happens";
        EXPECT_EQ(preferences.activeLanguages, (std::vector<std::string>{"en", "ru"}));
    }
    TempHome home; // a file that says it is obeyed
    home.write(".config/autostart/keyvane.desktop", "[Desktop Entry]\n");
    home.write(".local/share/keyvane/user_preferences.json", R"({"launch_at_login": false})");
    LaunchAtLoginManager::followPreference(UserPreferences::defaultPath());
    EXPECT_FALSE(std::filesystem::exists(LaunchAtLoginManager::autostartPath()));
}

TEST(Readiness, TheProgramSaysWhyItCannotCorrect) {
    TempHome home;
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru", "uk"]})");
    FakePlatform platform;
    platform.setLayouts(FakePlatform::standardLayouts(), 0);
    RulesEngine engine(*ConfigStore::loadConfiguration());
    EXPECT_TRUE(CorrectionReadiness::problems(platform, engine).empty());

    platform.setLayouts({FakePlatform::standardLayouts()[0]}, 0); // only the us layout
    auto problems = CorrectionReadiness::problems(platform, engine);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("setxkbmap"), std::string::npos) << problems[0];

    // A Wayland session without the input-method addon is told how to set it up.
    platform.setLayouts(FakePlatform::standardLayouts(), 0);
    ::setenv("XDG_SESSION_TYPE", "wayland", 1);
    problems = CorrectionReadiness::problems(platform, engine);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("im-config -n fcitx5"), std::string::npos) << problems[0];
    // The addon announced by a process that runs (the first one always does).
    home.write(".local/state/keyvane/input-method-host", "1\nlanguage en\npaused 0\n");
    EXPECT_EQ(CorrectionReadiness::waylandReach(), CorrectionReadiness::WaylandReach::addonCorrects);
    EXPECT_TRUE(CorrectionReadiness::problems(platform, engine).empty());
    ::unsetenv("XDG_SESSION_TYPE");

    TempHome blocked; // a file where the data directory should be: nothing can be saved
    blocked.write(".local/share/keyvane", "not a directory");
    RulesEngine englishOnly(*ConfigStore::loadConfiguration());
    problems = CorrectionReadiness::problems(platform, englishOnly);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[0].find("cannot be written"), std::string::npos) << problems[0];
    EXPECT_NE(problems[1].find("Only one language is active (en)"), std::string::npos) << problems[1];
}
