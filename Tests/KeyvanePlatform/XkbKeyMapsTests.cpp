// SPDX-License-Identifier: GPL-3.0-or-later
// What the keys of one layout type in another, read from the system's XKB data.

#include "KeyvanePlatform/xkb/XkbKeyMaps.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace keyvane {
namespace {

using StringMap = std::map<std::string, std::string>;

const GroupKeyMaps& between(const std::vector<GroupKeyMaps>& all, unsigned int from, unsigned int to) {
    for (const GroupKeyMaps& maps : all) {
        if (maps.fromGroup == from && maps.toGroup == to) {
            return maps;
        }
    }
    throw std::runtime_error("no maps between these groups");
}

class XkbKeyMapsTest : public ::testing::Test {
protected:
    void SetUp() override {
        keymap_ = XkbKeyMaps::compile("us,ru,ua", "");
        ASSERT_TRUE(keymap_) << "the XKB data (xkb-data) is missing";
        maps_ = XkbKeyMaps::betweenGroups(keymap_.get());
    }
    std::unique_ptr<xkb_keymap, XkbKeyMaps::KeymapDeleter> keymap_;
    std::vector<GroupKeyMaps> maps_;
};

TEST_F(XkbKeyMapsTest, PunctuationKeysTypeTheOtherLayoutsPunctuation) {
    ASSERT_EQ(maps_.size(), 6u); // every ordered pair of three layouts
    const GroupKeyMaps& usToRu = between(maps_, 0, 1);
    EXPECT_EQ(usToRu.shift.at("?"), ","); // Russian comma: Shift and the key right of "ю"
    EXPECT_EQ(usToRu.lower.at("/"), "."); // Russian full stop
    EXPECT_EQ(usToRu.shift.at("&"), "?"); // Shift+7
    EXPECT_EQ(usToRu.shift.at("^"), ":"); // Shift+6
    EXPECT_EQ(usToRu.lower.at(","), "б"); // letters stay letters
    EXPECT_EQ(usToRu.shift.at("A"), "Ф");
    EXPECT_FALSE(usToRu.lower.contains("1")); // a digit types the same digit: no entry

    const GroupKeyMaps& ruToUs = between(maps_, 1, 0);
    EXPECT_EQ(ruToUs.shift.at(","), "?");
    EXPECT_EQ(ruToUs.lower.at("."), "/");
    EXPECT_EQ(ruToUs.lower.at("э"), "'");
}

TEST(XkbKeyMaps, ALayoutCodeNamesOneOfKeyvanesLanguagesOrNone) {
    EXPECT_EQ(XkbKeyMaps::languageOfLayout("us"), "en");
    EXPECT_EQ(XkbKeyMaps::languageOfLayout("gb"), "en");
    EXPECT_EQ(XkbKeyMaps::languageOfLayout("ru"), "ru");
    EXPECT_EQ(XkbKeyMaps::languageOfLayout("ua"), "uk");
    // Cyrillic layouts of other languages must pass for none of them, and neither for English.
    for (const char* other : {"by", "bg", "de", "", "uk"}) {
        EXPECT_FALSE(XkbKeyMaps::languageOfLayout(other).has_value()) << other;
    }
}

TEST(XkbKeyMaps, UnknownLayoutsGiveNoKeymap) {
    EXPECT_FALSE(XkbKeyMaps::compile("no-such-layout", ""));
    EXPECT_TRUE(XkbKeyMaps::betweenGroups(nullptr).empty());
}

// The shipped rules file carries the maps of the default us, ru and ua layouts (the program's
// fallback when it cannot read the user's keymap): they must be exactly what the XKB data says.
TEST_F(XkbKeyMapsTest, ShippedRulesFileHoldsTheDefaultLayoutsMaps) {
    std::ifstream file(KEYVANE_RULES_FILE);
    const nlohmann::json maps = nlohmann::json::parse(file).at("keyboard_layout").at("maps");
    const std::vector<std::string> languages = {"en", "ru", "uk"};
    for (const GroupKeyMaps& group : maps_) {
        const std::string name = languages[group.fromGroup] + "_to_" + languages[group.toGroup];
        EXPECT_EQ(maps.at(name).get<StringMap>(), group.lower) << name;
        EXPECT_EQ(maps.at(name + "_shift").get<StringMap>(), group.shift) << name;
    }
}

} // namespace
} // namespace keyvane
