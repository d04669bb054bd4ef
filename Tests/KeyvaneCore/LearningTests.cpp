// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/LearningWritePolicy.h"
#include "KeyvaneCore/ManualOverridesMerge.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/UnicodeText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace keyvane;
using nlohmann::json;
using Pair = LearningWritePolicy::ExactPair;

TEST(SeedMerge, OneBadEntryOfAListCostsOnlyItselfAndEmptySeedListsLeaveBrokenValuesAlone) {
    json seed = {{"never_correct", {"lol"}}};
    json user = {{"never_correct", {"mine", 5, nullptr, "yours"}}};
    EXPECT_EQ(ManualOverridesMerge::merge(seed, user).merged["never_correct"],
              json({"mine", "yours", "lol"}));
    const RulesConfig config =
        RulesConfig::parse(json{{"manual_overrides", {{"never_correct", {"mine", 5, "yours"}}}}});
    EXPECT_EQ(config.manualOverrides.neverCorrect, (StringSet{"mine", "yours"}));

    json emptySeed = {{"never_correct", json::array()}, {"exact_pairs", json::object()}};
    json broken = {{"never_correct", "not a list"}, {"exact_pairs", 5}};
    auto result = ManualOverridesMerge::merge(emptySeed, broken);
    EXPECT_FALSE(result.changed);
    EXPECT_EQ(result.merged, broken);
}

TEST(LearningFromUndo, RecordsTheTypedWordTrimmedAndLowerCased) {
    EXPECT_EQ(LearningWritePolicy::neverCorrectEntryForUndo(true, "  GitHub\n"), "github");
    EXPECT_FALSE(LearningWritePolicy::neverCorrectEntryForUndo(true, "   ").has_value());
    EXPECT_FALSE(LearningWritePolicy::neverCorrectEntryForUndo(false, "github").has_value());
}

namespace {

// Whether the target is what the source's keys type on the Russian layout (English keys) or back,
// as the test configuration's maps say.
bool isRussianEnglishReading(const std::string& source, const std::string& target) {
    static const RulesEngine engine(keyvane::testing::testConfig({Language::en, Language::ru}));
    return UnicodeText::toLower(engine.mapToken(source, LayoutDirection::enToRu)) == target ||
           UnicodeText::toLower(engine.mapToken(source, LayoutDirection::ruToEn)) == target;
}

std::vector<Pair> learned(const std::string& original, const std::string& converted) {
    return LearningWritePolicy::exactPairsForManualConversion(true, original, converted,
                                                              isRussianEnglishReading);
}

} // namespace

TEST(LearningFromConversion, PairsOnlyChangedWordsThatTheirKeysType) {
    EXPECT_EQ(learned("hello ghbdtn", "hello привет"), (std::vector<Pair>{{"ghbdtn", "привет"}}));
    EXPECT_EQ(learned("(Ghbdtn!) 42 ...", "(Привет!) 42 ..."), (std::vector<Pair>{{"ghbdtn", "привет"}}));
    EXPECT_EQ(learned("ghbdtn vbh ntcn", "привет мир"), (std::vector<Pair>{}))
        << "the whole text is learned only when it is the reading of the keys";
    EXPECT_EQ(learned("a b", "ф"), (std::vector<Pair>{}));
    EXPECT_TRUE(learned("  ", "x").empty());
    EXPECT_TRUE(
        LearningWritePolicy::exactPairsForManualConversion(false, "ghbdtn", "привет", isRussianEnglishReading)
            .empty());
    // The comma after "vbh" is "б" on the Russian layout: "мир," on screen teaches "vbh" → "мир",
    // but the key-for-key "мирб" teaches nothing, and neither does ",skj" → "было".
    EXPECT_EQ(learned("vbh,", "мир,"), (std::vector<Pair>{{"vbh", "мир"}}));
    EXPECT_TRUE(learned("vbh,", "мирб").empty());
    EXPECT_TRUE(learned(",skj", "было").empty());
    // A target that is not the reading of the keys ("привет" is not what "ghbdsn" types).
    EXPECT_TRUE(learned("ghbdsn", "привет").empty());
}

TEST(ConfigurationLoading, UserOverridesReplaceTheSeedAndPreferencesApply) {
    json rules = {{"manual_overrides", {{"exact_pairs", {{"seed", "сид"}}}}},
                  {"languages", {{"en", json::object()}}}};
    UserPreferences prefs;
    prefs.activeLanguages = {"en", "uk"};
    prefs.excludedApps["org.example.Game"] = {"Game", false};

    RulesConfig withUser = RulesConfig::load(rules, json{{"never_correct", {"Mine"}}}, prefs);
    EXPECT_TRUE(withUser.manualOverrides.exactPairs.empty());
    EXPECT_TRUE(withUser.manualOverrides.neverCorrect.contains("mine"));
    EXPECT_EQ(withUser.activeLanguages, (std::vector<Language>{Language::en, Language::uk}));
    EXPECT_TRUE(withUser.excludedApps.contains("org.example.Game"));

    // Without user overrides the rules file's own seed never takes effect by itself.
    RulesConfig withoutUser = RulesConfig::load(rules, std::nullopt, prefs);
    EXPECT_TRUE(withoutUser.manualOverrides.exactPairs.empty());
}
