// SPDX-License-Identifier: GPL-3.0-or-later
// What the settings window's controls write, and that the running program takes it up.

#include "../../TempHome.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/ui/RulesActions.h"
#include "Keyvane/ui/SettingsActions.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/RulesFile.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {

UserPreferences saved() {
    return UserPreferences::load(UserPreferences::defaultPath());
}

std::vector<std::string> codes(const std::vector<SettingsActions::LanguageRow>& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows) {
        out.push_back(row.code + (row.active ? "" : "-"));
    }
    return out;
}

} // namespace

TEST(Settings, TheInterfaceLanguageInUseWritesNothing) {
    TempHome home;
    L10n::setLanguage("en");
    home.write(".local/share/keyvane/user_preferences.json", R"({"ui_language": "en"})");
    EXPECT_FALSE(SettingsActions::setInterfaceLanguage("en"));
    EXPECT_EQ(AtomicFile::read(UserPreferences::defaultPath()), R"({"ui_language": "en"})");
    EXPECT_TRUE(SettingsActions::setInterfaceLanguage("uk"));
    EXPECT_EQ(L10n::language(), "uk");
    L10n::setLanguage("en");
}

TEST(Settings, EnglishStaysFirstAndOnlyActiveLanguagesChangePlaces) {
    TempHome home;
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru"]})");
    std::vector<SettingsActions::LanguageRow> rows = SettingsActions::languageRows(saved());
    EXPECT_EQ(codes(rows), (std::vector<std::string>{"en", "ru", "uk-"}));
    EXPECT_FALSE(SettingsActions::canMove(rows, 0, 1)) << "English never moves";
    EXPECT_FALSE(SettingsActions::canMove(rows, 1, 1)) << "an inactive language takes no place";

    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru", "uk"]})");
    ASSERT_TRUE(SettingsActions::moveLanguage(2, -1));
    rows = SettingsActions::languageRows(saved());
    EXPECT_EQ(codes(rows), (std::vector<std::string>{"en", "uk", "ru"}));
    EXPECT_EQ(rows[2].priority, 3);
    EXPECT_FALSE(SettingsActions::moveLanguage(1, -1));

    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en"]})");
    rows = SettingsActions::languageRows(saved());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_FALSE(SettingsActions::canMove(rows, i, -1));
        EXPECT_FALSE(SettingsActions::canMove(rows, i, 1));
    }
}

TEST(Settings, ApplicationsAreExcludedByTheirDesktopEntries) {
    TempHome home;
    home.write("apps/org.gnome.Terminal.desktop", "[Desktop Entry]\nName=Terminal\nExec=gnome-terminal\n");
    home.write("apps/firefox-esr.desktop", "[Desktop Entry]\nName=Firefox ESR\nExec=firefox-esr\n");
    home.write("apps/notes.txt", "not an application");
    const std::string apps = home.path() + "/apps/";
    EXPECT_EQ(
        SettingsActions::addExcludedApps({apps + "org.gnome.Terminal.desktop", apps + "firefox-esr.desktop",
                                          apps + "notes.txt", apps + "missing.desktop"}),
        2);
    EXPECT_EQ(SettingsActions::addExcludedApps({apps + "firefox-esr.desktop"}), 0) << "already listed";
    const std::vector<SettingsActions::ExcludedAppRow> rows = SettingsActions::excludedAppRows(saved());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].name, "Firefox ESR");
    EXPECT_EQ(rows[0].desktopEntryID, "firefox-esr");
    EXPECT_EQ(rows[1].desktopEntryID, "org.gnome.Terminal");

    EXPECT_FALSE(SettingsActions::removeExcludedApp("org.example.unlisted"));
}

TEST(Settings, ResetKeepsTheShippedSeedButDropsWhatTheUserSet) {
    TempHome home;
    home.write(".local/share/keyvane/user_preferences.json",
               R"({"active_languages": ["en", "uk", "ru"], "excluded_apps": {"org.example.x": {"name": "X"}},
                   "pause_in_games": false})");
    const std::optional<nlohmann::json> rules = RulesFile::read();
    ASSERT_TRUE(rules.has_value());
    const nlohmann::json seed = RulesFile::seedOverrides(*rules);
    ManualOverridesFile::load(*rules); // the user's copy, from the seed
    ASSERT_EQ(ManualOverridesFile::addExactPair("zzqx", "яяя", "en", "ru"),
              ManualOverridesFile::Change::added);

    FakePlatform platform; // us, ru and ua installed
    ASSERT_TRUE(SettingsActions::resetAll(platform));
    const UserPreferences after = saved();
    EXPECT_TRUE(after.excludedApps.empty());
    EXPECT_TRUE(after.pauseInGames);
    EXPECT_EQ(after.activeLanguages, (std::vector<std::string>{"en", "ru", "uk"}));
    const nlohmann::json overrides = ManualOverridesFile::load(*rules);
    EXPECT_FALSE(overrides["exact_pairs"].contains("zzqx"));
    if (seed.contains("exact_pairs")) {
        for (const auto& [typed, meant] : seed["exact_pairs"].items()) {
            EXPECT_EQ(overrides["exact_pairs"].value(typed, ""), meant.get<std::string>()) << typed;
        }
    }
}

TEST(RulesTab, AddingAPairWhoseTypedWordExistsReplacesIt) {
    RulesActions::Rules rules;
    ASSERT_TRUE(RulesActions::addPair(rules, {"en", "  Ghbdtn ", "ru", "ПРИВЕТ"}));
    ASSERT_TRUE(RulesActions::addPair(rules, {"en", "ghbdtn", "ru", "приветик"}));
    ASSERT_EQ(rules.pairs.size(), 1u);
    EXPECT_EQ(rules.pairs[0].typed, "ghbdtn");
    EXPECT_EQ(rules.pairs[0].corrected, "приветик");
    EXPECT_FALSE(RulesActions::addPair(rules, {"en", " ", "ru", "x"}));
    ASSERT_TRUE(RulesActions::addException(rules, {"ru", " Щас "}));
    ASSERT_TRUE(RulesActions::addException(rules, {"en", "btw"}));
    EXPECT_EQ(rules.exceptions[0].word, "btw");
    EXPECT_EQ(rules.exceptions[1].word, "щас");
    EXPECT_TRUE(RulesActions::matches(rules.exceptions[1], "ЩА"));
    EXPECT_FALSE(RulesActions::matches(rules.exceptions[0], "ЩА"));
}

TEST(RulesTab, LanguagesAreDetectedWhenNoneIsSaved) {
    EXPECT_EQ(RulesActions::detectLanguage("hello", {"en", "uk", "ru"}), "en");
    EXPECT_EQ(RulesActions::detectLanguage("привіт", {"en", "uk", "ru"}), "uk");
    EXPECT_EQ(RulesActions::detectLanguage("привет", {"en", "ru", "uk"}), "ru");
    EXPECT_EQ(RulesActions::detectLanguage("привет", {"en"}), "ru");
}
