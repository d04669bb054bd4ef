// SPDX-License-Identifier: GPL-3.0-or-later
#include "../../TempHome.h"
#include "Keyvane/correction/ConfigStore.h"

#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {
const std::string overridesPath = ".local/share/keyvane/manual_overrides.json";
} // namespace

TEST(EngineReload, ReadsRulesOverridesAndPreferencesFromDiskAndReplacesTheConfiguration) {
    TempHome home;
    auto config = ConfigStore::loadConfiguration();
    ASSERT_TRUE(config.has_value()) << "the shipped rules file is found among the program's resources";
    RulesEngine engine(*config);
    EXPECT_EQ(engine.config().activeLanguages, (std::vector<Language>{Language::en}));

    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru"]})");
    home.write(overridesPath, R"({"exact_pairs": {"zzz": "ззз"}})");
    ASSERT_TRUE(ConfigStore::reload(engine));
    EXPECT_EQ(engine.config().activeLanguages, (std::vector<Language>{Language::en, Language::ru}));
    EXPECT_EQ(engine.config().manualOverrides.exactPairs.at("zzz"), "ззз");
    EXPECT_EQ(engine.evaluate("zzz", "", false, std::nullopt, std::nullopt).correctedToken, "ззз");
}
