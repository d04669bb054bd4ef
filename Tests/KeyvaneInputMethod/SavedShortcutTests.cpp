// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts an input-method host reads from the settings window's file.

#include "../TempHome.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneInputMethod/SavedShortcut.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(SavedShortcut, TheUsersChoiceIsReadAndOneThatWouldTakeATypedKeyOrAFileThatIsNoFileLeavesTheDefault) {
    TempHome home;
    std::filesystem::create_directories(std::filesystem::path(AppPaths::userDefaultsPath()).parent_path());
    std::ofstream(AppPaths::userDefaultsPath()) << "[General]\nundoShortcut=Alt+Z\nswitchShortcut=E\n";
    EXPECT_EQ(SavedShortcut::read("undoShortcut", HotkeyManager::defaultUndo),
              (Shortcut{KeyCode::z, Modifier::alt}));
    EXPECT_EQ(SavedShortcut::read("switchShortcut", HotkeyManager::defaultSwitch),
              HotkeyManager::defaultSwitch);
    std::filesystem::remove(AppPaths::userDefaultsPath());
    ASSERT_EQ(::mkfifo(AppPaths::userDefaultsPath().c_str(), 0600), 0); // a reader would wait for ever
    EXPECT_EQ(SavedShortcut::read("undoShortcut", HotkeyManager::defaultUndo), HotkeyManager::defaultUndo);
}
