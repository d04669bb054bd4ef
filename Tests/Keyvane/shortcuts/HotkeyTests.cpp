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
    hotkeys.convertToBindings["uk"] = {18, ModifierBit::command | ModifierBit::shift};
    hotkeys.convertToBindings["ru"] = {19, ModifierBit::command | ModifierBit::shift};
    hotkeys.registerCallbacks([&] { ++undo; }, [&] { ++convert; },
                              [&](const std::string& language) { convertTo.push_back(language); });
    platform.pressHotkey(103, ModifierBit::command); // Command (Control) + F11
    platform.pressHotkey(111, ModifierBit::command);
    platform.pressHotkey(19, ModifierBit::command | ModifierBit::shift);
    platform.pressHotkey(18, ModifierBit::command | ModifierBit::shift);
    platform.pressHotkey(103, 0); // F11 alone is not the shortcut
    EXPECT_EQ(undo, 1);
    EXPECT_EQ(convert, 1);
    EXPECT_EQ(convertTo, (std::vector<std::string>{"ru", "uk"}));
    EXPECT_EQ(platform.hotkeys.at(3).first, 19) << "per-language shortcuts take ids in language order";
}

TEST(Hotkeys, AShortcutHeldElsewhereDoesNotStopTheOthers) {
    TempHome home;
    FakePlatform platform;
    platform.taken.push_back({103, ModifierBit::command});
    HotkeyManager hotkeys(platform);
    int convert = 0;
    hotkeys.registerCallbacks([] {}, [&] { ++convert; }, [](const std::string&) {});
    EXPECT_FALSE(platform.hotkeys.contains(1));
    platform.pressHotkey(111, ModifierBit::command);
    EXPECT_EQ(convert, 1);
}

TEST(Hotkeys, SettingsSurviveARestartAndRemovedLanguagesLeaveNothing) {
    TempHome home;
    FakePlatform platform;
    {
        HotkeyManager hotkeys(platform);
        hotkeys.undoKeyCode = 6;
        hotkeys.undoModifiers = ModifierBit::option;
        hotkeys.convertToBindings["ru"] = {15, ModifierBit::control};
        hotkeys.convertToBindings["uk"] = {32, ModifierBit::control};
        hotkeys.saveSettings();
        hotkeys.convertToBindings.erase("uk");
        hotkeys.saveSettings();
    }
    HotkeyManager reloaded(platform);
    reloaded.loadSettings();
    EXPECT_EQ(reloaded.undoKeyCode, 6u);
    EXPECT_EQ(reloaded.undoModifiers, ModifierBit::option);
    EXPECT_EQ(reloaded.switchKeyCode, HotkeyManager::kDefaultSwitchKeyCode);
    EXPECT_EQ(reloaded.convertToBindings,
              (std::map<std::string, HotkeyBinding>{{"ru", {15, ModifierBit::control}}}));
    EXPECT_EQ(HotkeyManager::settingsPath(), home.path() + "/.config/Keyvane/Keyvane.conf");
    reloaded.resetToDefaults();
    EXPECT_EQ(reloaded.undoKeyCode, HotkeyManager::kDefaultUndoKeyCode);
    EXPECT_TRUE(reloaded.convertToBindings.empty());
}

TEST(Hotkeys, ASettingsPathThatIsNoFileLeavesTheDefaultsAndIsNotTouched) {
    TempHome home;
    FakePlatform platform;
    std::filesystem::create_directories(home.path() + "/.config/Keyvane");
    ASSERT_EQ(::mkfifo(HotkeyManager::settingsPath().c_str(), 0600), 0); // would block a reader
    HotkeyManager hotkeys(platform);
    hotkeys.loadSettings();
    EXPECT_EQ(hotkeys.undoKeyCode, HotkeyManager::kDefaultUndoKeyCode);
    hotkeys.undoKeyCode = 6;
    hotkeys.saveSettings();
    EXPECT_TRUE(std::filesystem::is_fifo(HotkeyManager::settingsPath()));
}
