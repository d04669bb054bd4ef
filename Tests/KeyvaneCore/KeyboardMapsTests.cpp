// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/UnicodeText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

const LayoutDirection enToUk{"en", "uk"};
const LayoutDirection ukToEn{"uk", "en"};
const LayoutDirection ruToUk{"ru", "uk"};
const LayoutDirection ukToRu{"uk", "ru"};

// A configuration with only the built-in tables.
KeyboardLayoutConfig builtIn() {
    return RulesConfig::parse(nlohmann::json::object()).keyboardLayout;
}

} // namespace

TEST(KeyboardMapping, EnglishKeysBecomeUkrainianWordsWithPunctuationKeysAsLetters) {
    auto layout = builtIn();
    EXPECT_EQ(render(layout, "ghbdsn", enToUk), "привіт");
    EXPECT_EQ(render(layout, "lzre.", enToUk), "дякую");
    EXPECT_EQ(render(layout, "[ks,", enToUk), "хліб");
    EXPECT_EQ(render(layout, "`zrbq", enToUk), "'який");
}

TEST(KeyboardMapping, UkrainianWordsMapBackToTheEnglishKeys) {
    auto layout = builtIn();
    EXPECT_EQ(render(layout, "руддщ", ukToEn), "hello");
    EXPECT_EQ(render(layout, "м'ята", ukToEn), "v`znf");
    EXPECT_EQ(render(layout, "хліб", ukToEn), "[ks,");
}

TEST(KeyboardMapping, CapitalsUseTheShiftMapOrTheLowerMapUpperCased) {
    auto layout = builtIn();
    EXPECT_EQ(render(layout, "Ghbdsn", enToUk), "Привіт");
    EXPECT_EQ(render(layout, "GHBDSN", enToUk), "ПРИВІТ");
    EXPECT_EQ(render(layout, "Руддщ", ukToEn), "Hello");
    // Shifted punctuation keys carry capital Cyrillic letters.
    EXPECT_EQ(render(layout, "{<>:\"", enToUk), "ХБЮЖЄ");
    EXPECT_EQ(render(layout, "~", enToUk), "'");

    // Without any shift map a capital still maps through the lower map.
    KeyboardMap noShift;
    EXPECT_EQ(mapToken("Qwe", layout.maps.at(enToUk), noShift), "Йцу");
}

TEST(KeyboardMapping, RussianAndUkrainianDifferOnlyOnFourKeys) {
    auto layout = builtIn();
    EXPECT_EQ(render(layout, "съёмы", ruToUk), "сї'мі");
    EXPECT_EQ(render(layout, "ЭХО", ruToUk), "ЄХО");
    EXPECT_EQ(render(layout, "молоко", ruToUk), "молоко");
    EXPECT_EQ(render(layout, "їжак", ukToRu), "ъжак");
    EXPECT_EQ(render(layout, "Є'", ukToRu), "Эё");
}

TEST(KeyboardMapping, UnknownCharactersPassThroughAndLengthIsKept) {
    auto layout = builtIn();
    const std::string input = "ab 12 😀 é👍🏽!";
    std::string out = render(layout, input, enToUk);
    EXPECT_EQ(out, "фи 12 😀 é👍🏽!");
    EXPECT_EQ(UnicodeText::length(out), UnicodeText::length(input));
    // A combining mark stays attached to its mapped base character as one character.
    EXPECT_EQ(UnicodeText::length(render(layout, "e\xCC\x81", enToUk)), 1u);
}

TEST(KeyboardMapping, DirectionWithoutMapsLeavesTheWordUnchanged) {
    EXPECT_EQ(render(builtIn(), "ghbdtn", LayoutDirection::enToRu), "ghbdtn");
}

TEST(CasePreservation, FollowsTheTypedWord) {
    EXPECT_EQ(preserveCase("Ghbdtn", "привет"), "Привет");
    EXPECT_EQ(preserveCase("G", "п"), "П");
    EXPECT_EQ(preserveCase("GHBDTN", "привет"), "ПРИВЕТ");
    EXPECT_EQ(preserveCase("ghbDtn", "привет"), "привет");
    EXPECT_EQ(preserveCase("ghbdtn", "Привет"), "Привет");
    EXPECT_EQ(preserveCase("", "привет"), "привет");
    EXPECT_EQ(preserveCase("123", "abc"), "abc");
    // Capitals with punctuation in between still count as all capitals.
    EXPECT_EQ(preserveCase("D'BB", "ж'ии"), "Ж'ИИ");
}
