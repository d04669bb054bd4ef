// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/KeyMapTable.h"
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/UnicodeText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <tuple>

using namespace keyvane;
using KeyboardMaps::mapToken;
using KeyboardMaps::preserveCase;

namespace {

std::string render(const KeyboardLayoutConfig& layout, const std::string& token, const LayoutDirection& d) {
    static const KeyboardMap empty;
    auto lower = layout.maps.find(d);
    auto upper = layout.shiftMaps.find(d);
    return mapToken(token, lower == layout.maps.end() ? empty : lower->second,
                    upper == layout.shiftMaps.end() ? empty : upper->second);
}

} // namespace

TEST(KeyboardMapping, TheBuiltInTablesTypeEachLayoutsWordsOnTheOthersKeys) {
    const KeyboardLayoutConfig layout = RulesConfig::parse(nlohmann::json::object()).keyboardLayout;
    const LayoutDirection enToUk{Language::en, Language::uk}, ukToEn{Language::uk, Language::en},
        ruToUk{Language::ru, Language::uk}, ukToRu{Language::uk, Language::ru},
        enToRu = LayoutDirection::enToRu;
    // Punctuation keys are letters of the Cyrillic layouts. Capitals use the shift map, whose
    // shifted punctuation keys carry capital Cyrillic letters, or the lower map upper-cased.
    // Russian and Ukrainian differ only on four keys. A direction without maps changes nothing.
    const std::tuple<const char*, LayoutDirection, const char*> cases[] = {
        {"ghbdsn", enToUk, "привіт"}, {"lzre.", enToUk, "дякую"},   {"[ks,", enToUk, "хліб"},
        {"`zrbq", enToUk, "'який"},   {"руддщ", ukToEn, "hello"},   {"м'ята", ukToEn, "v`znf"},
        {"хліб", ukToEn, "[ks,"},     {"Ghbdsn", enToUk, "Привіт"}, {"GHBDSN", enToUk, "ПРИВІТ"},
        {"Руддщ", ukToEn, "Hello"},   {"{<>:\"", enToUk, "ХБЮЖЄ"},  {"~", enToUk, "'"},
        {"съёмы", ruToUk, "сї'мі"},   {"ЭХО", ruToUk, "ЄХО"},       {"молоко", ruToUk, "молоко"},
        {"їжак", ukToRu, "ъжак"},     {"Є'", ukToRu, "Эё"},         {"ghbdtn", enToRu, "ghbdtn"}};
    for (const auto& [typed, direction, expected] : cases) {
        EXPECT_EQ(render(layout, typed, direction), expected) << typed << " " << direction.name();
    }
    // Without any shift map a capital still maps through the lower map.
    EXPECT_EQ(mapToken("Qwe", layout.maps.at(enToUk), KeyboardMap{}), "Йцу");

    // Characters no map has pass through, and the length is kept.
    const std::string input = "ab 12 😀 é👍🏽!";
    const std::string out = render(layout, input, enToUk);
    EXPECT_EQ(out, "фи 12 😀 é👍🏽!");
    EXPECT_EQ(UnicodeText::length(out), UnicodeText::length(input));
    // A combining mark stays attached to its mapped base character as one character.
    EXPECT_EQ(UnicodeText::length(render(layout, "e\xCC\x81", enToUk)), 1u);
    // A capital whose small form is two code points, among clusters: every character comes out.
    EXPECT_EQ(render(layout, "e\xCC\x81\xC4\xB0qw", enToUk), "e\xCC\x81\xC4\xB0йц");
}

TEST(KeyboardMapping, TheDirectionsTableRendersEveryCharacterAsTheMapsDo) {
    const KeyboardLayoutConfig layout = keyvane::testing::testConfig().keyboardLayout;
    std::string everyCharacter = "e\xCC\x81 👍🏽 \r\n";
    for (char32_t c = 1; c < 0x0600; ++c) {
        everyCharacter += UnicodeText::fromCodePoints(std::u32string_view(&c, 1));
    }
    for (const auto& [direction, map] : layout.maps) {
        const auto shift = layout.shiftMaps.find(direction);
        const KeyboardMap upper = shift == layout.shiftMaps.end() ? KeyboardMap() : shift->second;
        const KeyMapTable table(map, upper);
        EXPECT_EQ(table.render(everyCharacter), mapToken(everyCharacter, map, upper)) << direction.name();
        // Words of the table's characters alone, and with a mark or CR LF that joins two of them.
        for (const char* word : {"Ghbdtn, {}",
                                 "ghe\xCC\x81"
                                 "dtn",
                                 "a\r\nb"}) {
            EXPECT_EQ(table.render(word), mapToken(word, map, upper)) << direction.name() << " " << word;
        }
    }
}

TEST(CasePreservation, FollowsTheTypedWord) {
    // Capitals with punctuation in between still count as all capitals.
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"Ghbdtn", "привет", "Привет"}, {"G", "п", "П"},
        {"GHBDTN", "привет", "ПРИВЕТ"}, {"ghbDtn", "привет", "привет"},
        {"ghbdtn", "Привет", "Привет"}, {"", "привет", "привет"},
        {"123", "abc", "abc"},          {"D'BB", "ж'ии", "Ж'ИИ"},
        {"Руддщ", "hello", "Hello"},    {"ЁЖ", "`;", "`;"},
        {"ДЩД", "lol", "LOL"},          {"руддщ", "hello", "hello"}};
    for (const auto& [typed, converted, expected] : cases) {
        EXPECT_EQ(preserveCase(typed, converted), expected) << typed;
    }
}
