// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../TempHome.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <QSettings>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(Hotkeys, DefaultShortcutsCallUndoAndConversion) {
    TempHome home;
    FakePlatform platform;
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    int undo = 0;
    int convert = 0;
    std::vector<std::string> convertTo;
    const ModifierFlags controlShift = Modifier::control | Modifier::shift;
    hotkeys.convertToBindings["uk"] = {KeyCode::one, controlShift};
    hotkeys.convertToBindings["ru"] = {static_cast<std::uint16_t>(KeyCode::one + 1), controlShift};
    hotkeys.registerCallbacks([&] { ++undo; }, [&] { ++convert; },
                              [&](const std::string& language) { convertTo.push_back(language); });
    platform.pressHotkey(KeyCode::f11, Modifier::control);
    platform.pressHotkey(KeyCode::f12, Modifier::control);
    platform.pressHotkey(static_cast<std::uint16_t>(KeyCode::one + 1), controlShift);
    platform.pressHotkey(KeyCode::one, controlShift);
    platform.pressHotkey(KeyCode::f11, 0); // F11 alone is not the shortcut
    EXPECT_EQ(undo, 1);
    EXPECT_EQ(convert, 1);
    EXPECT_EQ(convertTo, (std::vector<std::string>{"ru", "uk"}));
    EXPECT_EQ(platform.hotkeys.at(3).first, KeyCode::one + 1)
        << "per-language shortcuts take ids in language order";
}

TEST(Hotkeys, AShortcutActsOnlyOnceItsKeysAreLetGo) {
    TempHome home;
    FakePlatform platform;
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    int convert = 0;
    hotkeys.registerCallbacks([] {}, [&] { ++convert; }, [](const std::string&) {});
    platform.heldModifiers = Modifier::control;
    platform.pressHotkey(KeyCode::f12, Modifier::control);
    platform.advance(0.5);
    EXPECT_EQ(convert, 0) << "Control is still down: what is typed now would be Control and the key";
    platform.heldModifiers = 0;
    platform.advance(0.05);
    EXPECT_EQ(convert, 1);
    // Held for good (a key stuck down): nothing is typed with it, ever.
    platform.heldModifiers = Modifier::control;
    platform.pressHotkey(KeyCode::f12, Modifier::control);
    platform.advance(10);
    platform.heldModifiers = 0;
    platform.advance(1);
    EXPECT_EQ(convert, 1);
}

TEST(Hotkeys, AShortcutHeldElsewhereDoesNotStopTheOthers) {
    TempHome home;
    FakePlatform platform;
    platform.taken.push_back({KeyCode::f11, Modifier::control});
    HotkeyManager hotkeys(platform);
    int convert = 0;
    hotkeys.registerCallbacks([] {}, [&] { ++convert; }, [](const std::string&) {});
    EXPECT_FALSE(platform.hotkeys.contains(1));
    platform.pressHotkey(KeyCode::f12, Modifier::control);
    EXPECT_EQ(convert, 1);
}

TEST(Hotkeys, SettingsAreStoredAsTextAndSurviveARestart) {
    TempHome home;
    FakePlatform platform;
    {
        HotkeyManager hotkeys(platform);
        hotkeys.undoShortcut = {KeyCode::z, Modifier::alt};
        hotkeys.convertToBindings["ru"] = {KeyCode::r, Modifier::control};
        hotkeys.convertToBindings["uk"] = {KeyCode::u, Modifier::control | Modifier::super};
        hotkeys.saveSettings();
        hotkeys.convertToBindings.erase("uk");
        hotkeys.saveSettings();
    }
    QSettings stored(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
    EXPECT_EQ(stored.value("undoShortcut").toString(), "Alt+Z");
    EXPECT_EQ(stored.value("switchShortcut").toString(), "Control+F12");
    EXPECT_EQ(stored.value("convertToShortcut.ru").toString(), "Control+R");
    EXPECT_FALSE(stored.contains("convertToShortcut.uk")) << "a removed language leaves nothing";

    HotkeyManager reloaded(platform);
    reloaded.loadSettings();
    EXPECT_EQ(reloaded.undoShortcut, (Shortcut{KeyCode::z, Modifier::alt}));
    EXPECT_EQ(reloaded.switchShortcut, HotkeyManager::defaultSwitch);
    EXPECT_EQ(reloaded.convertToBindings,
              (std::map<std::string, Shortcut>{{"ru", {KeyCode::r, Modifier::control}}}));
    EXPECT_EQ(HotkeyManager::settingsPath(), home.path() + "/.config/Keyvane/Keyvane.conf");
    reloaded.resetToDefaults();
    EXPECT_EQ(reloaded.undoShortcut, HotkeyManager::defaultUndo);
    EXPECT_TRUE(reloaded.convertToBindings.empty());
}

TEST(Hotkeys, TheNumbersOfAnEarlierVersionAreReadOnceAndRewrittenAsText) {
    TempHome home;
    {
        // Command+F11, Option+Z (virtual key 6), and Control+Shift+R for Russian.
        QSettings earlier(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
        earlier.setValue("undoKeyCode", 103);
        earlier.setValue("undoModifiers", 0x0100);
        earlier.setValue("switchKeyCode", 6);
        earlier.setValue("switchModifiers", 0x0800);
        earlier.setValue("convertToKeyCode.ru", 15);
        earlier.setValue("convertToModifiers.ru", 0x1000 | 0x0200);
    }
    FakePlatform platform;
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.undoShortcut, (Shortcut{KeyCode::f11, Modifier::control}));
    EXPECT_EQ(hotkeys.switchShortcut, (Shortcut{KeyCode::z, Modifier::alt}));
    EXPECT_EQ(hotkeys.convertToBindings.at("ru"),
              (Shortcut{KeyCode::r, Modifier::control | Modifier::shift}));
    QSettings stored(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
    EXPECT_EQ(stored.value("switchShortcut").toString(), "Alt+Z");
    EXPECT_EQ(stored.value("convertToShortcut.ru").toString(), "Control+Shift+R");
    EXPECT_FALSE(stored.contains("undoKeyCode")) << "the numbers are read once";
}

TEST(Shortcuts, ReadBackFromTheirTextAndRefuseWhatIsNoShortcut) {
    for (const Shortcut& shortcut :
         {Shortcut{KeyCode::f11, Modifier::control},
          Shortcut{KeyCode::space, Modifier::super | Modifier::shift}, Shortcut{KeyCode::zero, Modifier::alt},
          Shortcut{KeyCode::pageDown, 0}, Shortcut{KeyCode::m, 0}}) {
        EXPECT_EQ(Shortcut::fromString(shortcut.toString()), shortcut) << shortcut.toString();
    }
    EXPECT_EQ((Shortcut{KeyCode::f12, Modifier::control | Modifier::shift}.toString()), "Control+Shift+F12");
    for (const char* bad : {"", "Control+", "Control", "Hyper+F1", "Control+F13", "control+f11"}) {
        EXPECT_FALSE(Shortcut::fromString(bad).has_value()) << bad;
    }
}

TEST(Hotkeys, ASettingsPathThatIsNoFileLeavesTheDefaultsAndIsNotTouched) {
    TempHome home;
    FakePlatform platform;
    std::filesystem::create_directories(home.path() + "/.config/Keyvane");
    ASSERT_EQ(::mkfifo(HotkeyManager::settingsPath().c_str(), 0600), 0); // would block a reader
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.undoShortcut, HotkeyManager::defaultUndo);
    hotkeys.undoShortcut = {KeyCode::z, Modifier::alt};
    hotkeys.saveSettings();
    EXPECT_TRUE(std::filesystem::is_fifo(HotkeyManager::settingsPath()));
}

TEST(Hotkeys, ASettingsFileReadOnlyInPartIsCopiedAsideBeforeItIsRewritten) {
    TempHome home;
    FakePlatform platform;
    const std::string damaged = "undoShortcut=Alt+Z\n\xff\xfe\x01 what once was a setting\n";
    home.write(".config/Keyvane/Keyvane.conf", damaged);
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.undoShortcut, (Shortcut{KeyCode::z, Modifier::alt})) << "what could be read is used";
    hotkeys.switchShortcut = {KeyCode::s, Modifier::alt};
    hotkeys.saveSettings();
    const std::vector<std::string> copies = home.siblings(".config/Keyvane/Keyvane.conf", ".damaged-");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(home.read(copies[0]), damaged); // an absolute path: read as it is
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.switchShortcut, (Shortcut{KeyCode::s, Modifier::alt}));
}

TEST(Hotkeys, AShortcutReadFromTheFileThatWouldTakeATypedKeyIsRefusedForTheDefault) {
    TempHome home;
    FakePlatform platform;
    std::filesystem::create_directories(home.path() + "/.config/Keyvane");
    {
        QSettings written(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
        written.setValue("undoShortcut", "Space");
        written.setValue("switchShortcut", "E");
        written.setValue("convertToShortcut.ru", "Shift+R");
        written.setValue("convertToShortcut.uk", "Alt+U");
    }
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.undoShortcut, HotkeyManager::defaultUndo);
    EXPECT_EQ(hotkeys.switchShortcut, HotkeyManager::defaultSwitch);
    EXPECT_EQ(hotkeys.convertToBindings,
              (std::map<std::string, Shortcut>{{"uk", {KeyCode::u, Modifier::alt}}}));
    // A function key needs no modifier.
    {
        QSettings written(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
        written.setValue("undoShortcut", "F9");
    }
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.undoShortcut, (Shortcut{KeyCode::f9, 0}));
}
