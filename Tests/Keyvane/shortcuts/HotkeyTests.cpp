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

namespace {

// The shortcuts on the in-memory desktop in a home of their own, not yet read from the file.
struct Keys {
    TempHome home;
    FakePlatform platform;
    HotkeyManager hotkeys{platform};
    int undo = 0;
    int convert = 0;
    std::vector<std::string> convertTo;

    void take() {
        hotkeys.registerCallbacks([this] { ++undo; }, [this] { ++convert; },
                                  [this](const std::string& language) { convertTo.push_back(language); });
    }
    // Writes to the settings file as another program (or an earlier version) would.
    void write(const std::map<QString, QVariant>& values) const {
        std::filesystem::create_directories(home.path() + "/.config/Keyvane");
        QSettings written(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
        for (const auto& [key, value] : values) {
            written.setValue(key, value);
        }
    }
    // What the settings file holds under key, as text.
    static std::optional<std::string> stored(const QString& key) {
        QSettings file(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
        return file.contains(key) ? std::optional(file.value(key).toString().toStdString()) : std::nullopt;
    }
};

} // namespace

TEST(Hotkeys, DefaultShortcutsCallUndoAndConversionAndOneHeldElsewhereDoesNotStopTheOthers) {
    Keys keys;
    keys.hotkeys.loadSettings();
    const ModifierFlags controlShift = Modifier::control | Modifier::shift;
    const auto two = static_cast<std::uint16_t>(KeyCode::one + 1);
    keys.hotkeys.convertToBindings["uk"] = {KeyCode::one, controlShift};
    keys.hotkeys.convertToBindings["ru"] = {two, controlShift};
    keys.take();
    keys.platform.pressHotkey(KeyCode::f11, Modifier::control);
    keys.platform.pressHotkey(KeyCode::f12, Modifier::control);
    keys.platform.pressHotkey(two, controlShift);
    keys.platform.pressHotkey(KeyCode::one, controlShift);
    keys.platform.pressHotkey(KeyCode::f11, 0); // F11 alone is not the shortcut
    EXPECT_EQ(keys.undo, 1);
    EXPECT_EQ(keys.convert, 1);
    EXPECT_EQ(keys.convertTo, (std::vector<std::string>{"ru", "uk"}));
    EXPECT_EQ(keys.platform.hotkeys.at(3).first, two) << "per-language shortcuts take ids in language order";

    Keys held;
    held.platform.taken.push_back({KeyCode::f11, Modifier::control});
    held.take();
    EXPECT_FALSE(held.platform.hotkeys.contains(1));
    held.platform.pressHotkey(KeyCode::f12, Modifier::control);
    EXPECT_EQ(held.convert, 1);
}

TEST(Hotkeys, AShortcutActsOnlyOnceItsKeysAreLetGo) {
    Keys keys;
    keys.hotkeys.loadSettings();
    keys.take();
    keys.platform.heldModifiers = Modifier::control;
    keys.platform.pressHotkey(KeyCode::f12, Modifier::control);
    keys.platform.advance(0.5);
    EXPECT_EQ(keys.convert, 0) << "Control is still down: what is typed now would be Control and the key";
    keys.platform.heldModifiers = 0;
    keys.platform.advance(0.05);
    EXPECT_EQ(keys.convert, 1);
    // Held for good (a key stuck down): nothing is typed with it, ever.
    keys.platform.heldModifiers = Modifier::control;
    keys.platform.pressHotkey(KeyCode::f12, Modifier::control);
    keys.platform.advance(10);
    keys.platform.heldModifiers = 0;
    keys.platform.advance(1);
    EXPECT_EQ(keys.convert, 1);
}

TEST(Hotkeys, SettingsAreStoredAsTextAndSurviveARestart) {
    Keys keys;
    keys.hotkeys.undoShortcut = {KeyCode::z, Modifier::alt};
    keys.hotkeys.convertToBindings["ru"] = {KeyCode::r, Modifier::control};
    keys.hotkeys.convertToBindings["uk"] = {KeyCode::u, Modifier::control | Modifier::super};
    keys.hotkeys.saveSettings();
    keys.hotkeys.convertToBindings.erase("uk");
    keys.hotkeys.saveSettings();
    EXPECT_EQ(HotkeyManager::settingsPath(), keys.home.path() + "/.config/Keyvane/Keyvane.conf");
    EXPECT_EQ(Keys::stored("undoShortcut"), "Alt+Z");
    EXPECT_EQ(Keys::stored("switchShortcut"), "Control+F12");
    EXPECT_EQ(Keys::stored("convertToShortcut.ru"), "Control+R");
    EXPECT_FALSE(Keys::stored("convertToShortcut.uk").has_value()) << "a removed language leaves nothing";

    HotkeyManager reloaded(keys.platform);
    reloaded.loadSettings();
    EXPECT_EQ(reloaded.undoShortcut, (Shortcut{KeyCode::z, Modifier::alt}));
    EXPECT_EQ(reloaded.switchShortcut, HotkeyManager::defaultSwitch);
    EXPECT_EQ(reloaded.convertToBindings,
              (std::map<std::string, Shortcut>{{"ru", {KeyCode::r, Modifier::control}}}));
    reloaded.resetToDefaults();
    EXPECT_EQ(reloaded.undoShortcut, HotkeyManager::defaultUndo);
    EXPECT_TRUE(reloaded.convertToBindings.empty());
}

TEST(Hotkeys, TheNumbersOfAnEarlierVersionAreReadOnceAndRewrittenAsText) {
    Keys keys;
    // Command+F11, Option+Z (virtual key 6), and Control+Shift+R for Russian.
    keys.write({{"undoKeyCode", 103},
                {"undoModifiers", 0x0100},
                {"switchKeyCode", 6},
                {"switchModifiers", 0x0800},
                {"convertToKeyCode.ru", 15},
                {"convertToModifiers.ru", 0x1000 | 0x0200}});
    keys.hotkeys.loadSettings();
    EXPECT_EQ(keys.hotkeys.undoShortcut, (Shortcut{KeyCode::f11, Modifier::control}));
    EXPECT_EQ(keys.hotkeys.switchShortcut, (Shortcut{KeyCode::z, Modifier::alt}));
    EXPECT_EQ(keys.hotkeys.convertToBindings.at("ru"),
              (Shortcut{KeyCode::r, Modifier::control | Modifier::shift}));
    EXPECT_EQ(Keys::stored("switchShortcut"), "Alt+Z");
    EXPECT_EQ(Keys::stored("convertToShortcut.ru"), "Control+Shift+R");
    EXPECT_FALSE(Keys::stored("undoKeyCode").has_value()) << "the numbers are read once";
}

TEST(Shortcuts, ReadBackFromTheirTextAndRefuseWhatIsNoShortcut) {
    for (const Shortcut& shortcut :
         {Shortcut{KeyCode::f11, Modifier::control},
          Shortcut{KeyCode::space, Modifier::super | Modifier::shift}, Shortcut{KeyCode::zero, Modifier::alt},
          Shortcut{KeyCode::pageDown, 0}, Shortcut{KeyCode::m, 0}}) {
        EXPECT_EQ(Shortcut::fromString(shortcut.toString()), shortcut) << shortcut.toString();
    }
    for (const char* bad : {"", "Control+", "Control", "Hyper+F1", "Control+F13", "control+f11"}) {
        EXPECT_FALSE(Shortcut::fromString(bad).has_value()) << bad;
    }
}

TEST(Hotkeys, ASettingsPathThatIsNoFileIsNotTouchedAndAFileReadInPartIsKeptBeforeItIsRewritten) {
    Keys keys;
    std::filesystem::create_directories(keys.home.path() + "/.config/Keyvane");
    ASSERT_EQ(::mkfifo(HotkeyManager::settingsPath().c_str(), 0600), 0); // would block a reader
    keys.hotkeys.loadSettings();
    EXPECT_EQ(keys.hotkeys.undoShortcut, HotkeyManager::defaultUndo);
    keys.hotkeys.undoShortcut = {KeyCode::x, Modifier::alt};
    keys.hotkeys.saveSettings();
    EXPECT_TRUE(std::filesystem::is_fifo(HotkeyManager::settingsPath()));
    std::filesystem::remove(HotkeyManager::settingsPath());

    // A file read only in part is copied aside before it is rewritten.
    const std::string damaged = "undoShortcut=Alt+Z\n\xff\xfe\x01 what once was a setting\n";
    keys.home.write(".config/Keyvane/Keyvane.conf", damaged);
    keys.hotkeys.loadSettings();
    EXPECT_EQ(keys.hotkeys.undoShortcut, (Shortcut{KeyCode::z, Modifier::alt}))
        << "what could be read is used";
    keys.hotkeys.switchShortcut = {KeyCode::s, Modifier::alt};
    keys.hotkeys.saveSettings();
    const std::vector<std::string> copies = keys.home.siblings(".config/Keyvane/Keyvane.conf", ".damaged-");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(keys.home.read(copies[0]), damaged); // an absolute path: read as it is
    keys.hotkeys.loadSettings();
    EXPECT_EQ(keys.hotkeys.switchShortcut, (Shortcut{KeyCode::s, Modifier::alt}));
}

TEST(Hotkeys, AShortcutReadFromTheFileThatWouldTakeATypedKeyIsRefusedForTheDefault) {
    Keys keys;
    keys.write({{"undoShortcut", "Space"},
                {"switchShortcut", "E"},
                {"convertToShortcut.ru", "Shift+R"},
                {"convertToShortcut.uk", "Alt+U"}});
    keys.hotkeys.loadSettings();
    EXPECT_EQ(keys.hotkeys.undoShortcut, HotkeyManager::defaultUndo);
    EXPECT_EQ(keys.hotkeys.switchShortcut, HotkeyManager::defaultSwitch);
    EXPECT_EQ(keys.hotkeys.convertToBindings,
              (std::map<std::string, Shortcut>{{"uk", {KeyCode::u, Modifier::alt}}}));
    keys.write({{"undoShortcut", "F9"}}); // a function key needs no modifier
    keys.hotkeys.loadSettings();
    EXPECT_EQ(keys.hotkeys.undoShortcut, (Shortcut{KeyCode::f9, 0}));
}
