// SPDX-License-Identifier: GPL-3.0-or-later
// How a window's application is named: by the desktop entry its window names, else by its class.

#include "../TempHome.h"
#include "KeyvanePlatform/DesktopEntries.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(ApplicationNames, AWindowIsNamedByTheEntryItsApplicationIDOrClassNames) {
    TempHome home;
    ::setenv("XDG_DATA_DIRS", (home.path() + "/system").c_str(), 1);
    home.write(".local/share/applications/org.example.Editor.desktop",
               "[Desktop Action New]\nName=New window\n[Desktop Entry]\nName=Editor\nCategories=Utility;\n");
    home.write("system/applications/firefox.desktop", "[Desktop Entry]\r\nName=Firefox\r\n");

    // The GTK application ID names the entry directly.
    FrontmostApplication editor =
        DesktopEntries::applicationFor("org.example.Editor", "Editor-bin", "editor");
    EXPECT_EQ(editor.desktopEntryID, "org.example.Editor");
    EXPECT_EQ(editor.name, "Editor") << "the main group's Name, not an action's";
    EXPECT_EQ(editor.desktopEntryPath, home.path() + "/.local/share/applications/org.example.Editor.desktop");
    EXPECT_EQ(editor.wmClass, "Editor-bin");

    // The class, lower-cased, in a system directory; a Windows line end is no part of the name.
    FrontmostApplication browser = DesktopEntries::applicationFor("", "Firefox", "Navigator");
    EXPECT_EQ(browser.desktopEntryID, "firefox");
    EXPECT_EQ(browser.name, "Firefox");

    // No entry: the class names the application. A window's name is never a path: "../../secret"
    // would reach this entry outside every applications directory.
    home.write(".local/secret.desktop", "[Desktop Entry]\nName=Secret\n");
    FrontmostApplication unknown = DesktopEntries::applicationFor("../../secret", "XTerm", "xterm");
    EXPECT_EQ(unknown.desktopEntryID, "xterm");
    EXPECT_EQ(unknown.name, "XTerm");
    EXPECT_FALSE(unknown.desktopEntryPath.has_value());
    ::unsetenv("XDG_DATA_DIRS");
}
