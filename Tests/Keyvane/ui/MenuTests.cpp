// SPDX-License-Identifier: GPL-3.0-or-later
// The tray menu as the user sees it in each state of the program, and what its items do, on the
// in-memory desktop.

#include "../LiveDesktop.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/MenuActions.h"
#include "Keyvane/ui/MenuModel.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::LiveDesktop;
using keyvane::testing::TempHome;

namespace {

struct Live : LiveDesktop {
    HotkeyManager hotkeys{platform};
    Live() {
        L10n::setLanguage("en");
        hotkeys.loadSettings();
    }
    MenuState menu(std::optional<std::string> update = std::nullopt) {
        return MenuModel::build(MenuActions::gather(*app, platform, hotkeys, "0.1.0", update));
    }
};
std::vector<std::string> titles(const std::vector<MenuItemState>& items) {
    std::vector<std::string> out;
    for (const MenuItemState& item : items) {
        out.push_back(item.title);
    }
    return out;
}

} // namespace

TEST(TrayMenu, ActiveShowsTheLayoutTheShortcutsAndTheLanguagesToConvertTo) {
    Live live;
    const MenuState menu = live.menu();
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Active");
    EXPECT_EQ(menu.badge, "EN");
    EXPECT_FALSE(menu.dimmed);
    EXPECT_TRUE(menu.enabled.checked);
    EXPECT_FALSE(menu.resume.visible);
    EXPECT_FALSE(menu.warning.visible);
    EXPECT_FALSE(menu.update.visible);
    EXPECT_FALSE(menu.debug.visible);
    EXPECT_EQ(menu.undo.shortcut, "Control+F11");
    EXPECT_EQ(menu.convertSelected.shortcut, "Control+F12");
    EXPECT_EQ(titles(menu.convertToLanguages),
              (std::vector<std::string>{"English", "Русский", "Українська"}));
    EXPECT_EQ(menu.convertToLanguages[1].data, "ru");

    live.platform.switchLayout(2);
    EXPECT_EQ(live.menu().badge, "UA");
}

TEST(TrayMenu, PausedDisabledAGameAndAnUnsupportedLayoutDimTheIcon) {
    Live live;
    live.app->pause(15 * 60);
    MenuState menu = live.menu();
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Paused");
    EXPECT_TRUE(menu.resume.visible);
    EXPECT_TRUE(menu.dimmed);
    L10n::setLanguage("uk"); // said in the interface language
    menu = live.menu();
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Призупинено");
    EXPECT_EQ(menu.resume.title, "Продовжити");
    EXPECT_EQ(menu.excludeApps[0].title, "Вимкнути «Editor»");
    L10n::setLanguage("en");
    live.app->resume();
    EXPECT_FALSE(live.menu().dimmed);

    MenuActions::setEnabled(*live.app, false);
    menu = live.menu();
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Disabled");
    EXPECT_FALSE(menu.enabled.checked);
    EXPECT_TRUE(menu.dimmed);
    EXPECT_FALSE(live.corrects()) << "a disabled program watches no keys";
    MenuActions::setEnabled(*live.app, true);
    EXPECT_TRUE(live.corrects());

    live.home.write("game.desktop", "[Desktop Entry]\nCategories=Game;\n");
    live.platform.activate({"org.example.game", "Game", live.home.path() + "/game.desktop", ""});
    menu = live.menu();
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Paused (game)");
    EXPECT_TRUE(menu.dimmed);

    live.platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    KeyboardLayout japanese{3, "jp", "", "Japanese", std::nullopt};
    std::vector<KeyboardLayout> layouts = FakePlatform::standardLayouts();
    layouts.push_back(japanese);
    live.platform.setLayouts(layouts, 0);
    live.platform.switchLayout(3);
    menu = live.menu();
    EXPECT_EQ(menu.badge, "—");
    EXPECT_TRUE(menu.dimmed);
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Active");
}

TEST(TrayMenu, RecentApplicationsCanBeExcludedAndIncludedAgain) {
    Live live;
    MenuInputs none; // no application known yet: one item that cannot be chosen
    none.version = "0.1.0";
    MenuState menu = MenuModel::build(none);
    ASSERT_EQ(menu.excludeApps.size(), 1u);
    EXPECT_EQ(menu.excludeApps[0].title, "Disable for Current App");
    EXPECT_FALSE(menu.excludeApps[0].enabled);

    // Only the application in front so far.
    menu = live.menu();
    ASSERT_EQ(menu.excludeApps.size(), 1u);
    EXPECT_EQ(menu.excludeApps[0].title, "Disable “Editor”");

    for (int i = 1; i <= 5; ++i) {
        live.platform.activate(
            {"org.example.app" + std::to_string(i), "App " + std::to_string(i), std::nullopt, ""});
    }
    menu = live.menu();
    EXPECT_EQ(titles(menu.excludeApps), (std::vector<std::string>{"Disable “App 5”", "Disable “App 4”",
                                                                  "Disable “App 3”", "Disable “App 2”"}));

    live.platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    ASSERT_TRUE(MenuActions::toggleExcludedApp(*live.app, {"org.example.editor", "Editor"}));
    EXPECT_FALSE(live.corrects()) << "the excluded application in front is left alone at once";
    menu = live.menu();
    EXPECT_EQ(menu.excludeApps[0].title, "Enable “Editor”");
    const UserPreferences saved = UserPreferences::load(UserPreferences::defaultPath());
    ASSERT_EQ(saved.excludedApps.count("org.example.editor"), 1u);
    EXPECT_EQ(saved.excludedApps.at("org.example.editor").name, "Editor");

    ASSERT_TRUE(MenuActions::toggleExcludedApp(*live.app, {"org.example.editor", "Editor"}));
    EXPECT_TRUE(live.corrects());
    EXPECT_EQ(live.menu().excludeApps[0].title, "Disable “Editor”");
}

TEST(TrayMenu, KeysThatCannotBeWatchedAnUpdateAndDeveloperModeShowTheirItems) {
    Live live;
    live.platform.refuseKeyMonitors();
    live.app->stopObserving();
    live.app->startObserving();
    live.home.write(".keyvane_dev", "");
    MenuState menu = live.menu("0.2.0");
    EXPECT_TRUE(menu.warning.visible);
    EXPECT_EQ(menu.statusTitle, "Keyvane 0.1.0 - Disabled");
    EXPECT_FALSE(menu.enabled.checked);
    EXPECT_TRUE(menu.update.visible);
    EXPECT_EQ(menu.update.title, "Keyvane 0.2.0 Is Available…");
    EXPECT_TRUE(menu.debug.visible);
}
