// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/UnicodeText.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace keyvane;

namespace {

const nlohmann::json& shippedDocument() {
    static const nlohmann::json document = [] {
        std::ifstream in(KEYVANE_RULES_FILE);
        std::stringstream text;
        text << in.rdbuf();
        return RulesConfig::decode(text.str()).value_or(nlohmann::json());
    }();
    return document;
}

std::string render(const RulesConfig& config, const std::string& word, const LayoutDirection& d) {
    return KeyboardMaps::mapToken(word, config.keyboardLayout.maps.at(d),
                                  config.keyboardLayout.shiftMaps.at(d));
}

// The shipped file with all three languages active and the full vocabularies, as the program runs.
const RulesEngine& shippedEngine() {
    static const RulesEngine engine = [] {
        RulesConfig config = RulesConfig::parse(shippedDocument());
        config.activeLanguages = {"en", "ru", "uk"};
        config.useShippedVocabularies();
        return RulesEngine(std::move(config));
    }();
    return engine;
}

} // namespace

TEST(ShippedRulesFile, HasEverySectionAndEveryLanguage) {
    const auto& document = shippedDocument();
    ASSERT_TRUE(document.is_object()) << "the shipped rules file must be valid JSON";
    for (const char* section : {"keyboard_layout", "tokenization", "protected_patterns", "decision",
                                "languages", "layout_suspicion", "manual_overrides", "golden_tests"}) {
        EXPECT_TRUE(document.contains(section)) << section;
    }
    auto config = RulesConfig::parse(document);
    for (const char* language : {"en", "ru", "uk"}) {
        ASSERT_TRUE(config.languages.contains(language)) << language;
        EXPECT_FALSE(config.languages.at(language).commonWords.empty()) << language;
        EXPECT_FALSE(config.languages.at(language).vowels.empty()) << language;
    }
    // Every pattern of the shipped file compiles: nothing was silently dropped.
    EXPECT_EQ(config.protectedPatterns.size(), document["protected_patterns"].size());
    EXPECT_EQ(config.goldenTests.size(), document["golden_tests"].size());
    EXPECT_EQ(config.layoutSuspicion.latinSuspiciousForRu.size(),
              document["layout_suspicion"]["latin_raw_suspicious_for_ru"].size());
    for (const auto& [code, language] : config.languages) {
        EXPECT_EQ(
            language.impossiblePatterns.size(),
            document["languages"][code].value("impossible_patterns", nlohmann::json::array({"x"})).size())
            << code;
    }
}

TEST(ShippedRulesFile, RussianWordsTypedOnEnglishKeysRenderBothWays) {
    auto config = RulesConfig::parse(shippedDocument());
    EXPECT_EQ(render(config, "ghbdtn", LayoutDirection::enToRu), "привет");
    EXPECT_EQ(render(config, "Cgfcb,j", LayoutDirection::enToRu), "Спасибо");
    EXPECT_EQ(render(config, "{JHJIJ", LayoutDirection::enToRu), "ХОРОШО");
    EXPECT_EQ(render(config, "~of", LayoutDirection::enToRu), "Ёща");
    EXPECT_EQ(render(config, "съешь", LayoutDirection::ruToEn), "c]tim");
    EXPECT_EQ(render(config, "Э", LayoutDirection::ruToEn), "\"");

    // Every key of the Russian layout, lower and shifted, survives the round trip.
    const std::string keys = "qwertyuiop[]asdfghjkl;'zxcvbnm,.`QWERTYUIOP{}ASDFGHJKL:\"ZXCVBNM<>~";
    std::string russian = render(config, keys, LayoutDirection::enToRu);
    EXPECT_EQ(UnicodeText::length(russian), keys.size());
    EXPECT_EQ(render(config, russian, LayoutDirection::ruToEn), keys);
}

TEST(ShippedRulesFile, ASelectionIsConvertedIntoOneLanguage) {
    RulesConfig config = RulesConfig::parse(shippedDocument());
    config.activeLanguages = {"en", "uk", "ru"};
    RulesEngine engine(std::move(config));
    // "," is a letter of the Cyrillic layouts: "Lj,hsq" is one word, "Добрый" in Russian.
    EXPECT_EQ(engine.convertSelectionSmart("Lj,hsq dtxth", std::nullopt),
              (ManualConversionResult{"Добрый вечер", "ru"}));
    EXPECT_EQ(engine.convertSelectionSmart("Lj,hbq dtxsh", std::nullopt),
              (ManualConversionResult{"Добрий вечір", "uk"}));
}

TEST(ShippedRulesFile, EverydayWordsTypedKeyForKeyComeBackAsMeant) {
    const RulesEngine& engine = shippedEngine();
    auto typed = [&](const std::string& word, const std::optional<std::string>& line = std::nullopt) {
        RulesDecision d =
            engine.evaluate(word, "", false, std::nullopt, std::nullopt, LineContext{line, false});
        return d.shouldCorrect ? d.correctedToken.value_or("?") : word;
    };
    // English contractions on the Cyrillic layouts: the apostrophe key is "э" or "є" there.
    EXPECT_EQ(typed("Шэь"), "I'm");
    EXPECT_EQ(typed("вщтэе"), "don't");
    // Punctuation keys typed with the word, on both sides.
    EXPECT_EQ(typed("nj;t"), "тоже");
    EXPECT_EQ(typed("ldflwfnm?"), "двадцать,");
    EXPECT_EQ(typed("pfxtv&"), "зачем?");
    EXPECT_EQ(typed("dtxsh/"), "вечір.");
    EXPECT_EQ(typed("црут,"), "when?");
    // "немає": the last key is "є", not an apostrophe after "нема".
    EXPECT_EQ(typed("ytvf'", "uk"), "немає");
    // "gjldbcfyb." reads "подвисани" and a full stop, or "подвисанию" whole; neither is a known
    // word, so nothing is typed rather than half a word.
    EXPECT_EQ(engine.evaluate("gjldbcfyb.", "", false, std::nullopt, std::nullopt).reason,
              DecisionReason::ambiguousTrailingUnknownStem);
    EXPECT_EQ(typed("gjldbcfyb."), "gjldbcfyb.");
    // Correct text stays: an abbreviation with its full stop, a common word with a misplaced
    // apostrophe.
    for (const char* word : {"hello,", "PDF.", "NYC", "the're", "привет,", "файлі", "файлы"}) {
        EXPECT_EQ(typed(word), word);
    }
}

TEST(ShippedRulesFile, OfTwoCommonWordsOnTheSameKeysALineTypedOnTheWrongLayoutDecides) {
    const RulesEngine& engine = shippedEngine();
    auto typed = [&](const std::string& word, const LineContext& line) {
        RulesDecision d = engine.evaluate(word, "", false, std::nullopt, std::nullopt, line);
        return d.shouldCorrect ? d.correctedToken.value_or("?") : word;
    };
    // "of" on the Russian layout is "ща", Russian chat for "now"; "із" on English keys is "sp".
    EXPECT_EQ(typed("ща", {}), "ща");
    EXPECT_EQ(typed("ща", {"ru", true}), "ща");
    EXPECT_EQ(typed("ща", {"en", true}), "of");
    EXPECT_EQ(typed("sp", {"en", true}), "sp");
    EXPECT_EQ(typed("sp", {"uk", true}), "із");
    // A line typed on the right layout: "ps" in a Ukrainian sentence was switched to on purpose.
    EXPECT_EQ(typed("ps", {"uk", false}), "ps");
    EXPECT_EQ(typed("ща", {"en", false}), "ща");
}

TEST(ShippedRulesFile, AWordNoListKnowsIsCorrectedWithTheConfidenceItDeserves) {
    const RulesEngine& engine = shippedEngine();
    // "сельдерей" is in no common-word list: corrected by its letters, never with the confidence
    // of a dictionary word.
    RulesDecision d = engine.evaluate("ctkmlthtq", "", false, std::nullopt, std::nullopt);
    EXPECT_EQ(d.correctedToken, "сельдерей");
    EXPECT_LE(d.confidence, RulesEngine::nonDictionaryConfidenceCap);
    // A long word whose typed form is gibberish is corrected even below the usual minimum score.
    d = engine.evaluate("nhfycajhvfnjh", "", false, std::nullopt, std::nullopt);
    EXPECT_EQ(d.correctedToken, "трансформатор");
    EXPECT_EQ(d.reason, DecisionReason::highConfidenceGibberishBypass);
}

TEST(ShippedRulesFile, RussianAndUkrainianWordsTypedRightStayWithoutALine) {
    const RulesEngine& engine = shippedEngine();
    // Words of one language, typed on its layout, whose letters read as a word (or near one) of
    // the other: with nothing on the line to say otherwise, they are what the user typed.
    const std::pair<const char*, std::vector<const char*>> typedOn[] = {
        {"uk", {"ті", "мі", "біл", "їх", "дані", "системі", "режимі", "форматі", "показані", "такі"}},
        {"ru",
         {"мы", "ты", "был", "было", "мыло", "сыр", "системы", "даны", "этот", "съезд", "дачный", "тылу",
          "опоры!", "сокеты", "Эйзенхауэр"}}};
    for (const auto& [layout, words] : typedOn) {
        for (const char* word : words) {
            RulesDecision d = engine.evaluate(word, "", false, std::string(layout), std::nullopt);
            EXPECT_FALSE(d.shouldCorrect) << word << " → " << d.correctedToken.value_or("");
        }
    }
}

TEST(ShippedRulesFile, BetweenRussianAndUkrainianOnlyRealWordsAreTakenBack) {
    const RulesEngine& engine = shippedEngine();
    auto typed = [&](const std::string& word, const std::string& layout, const LineContext& line) {
        RulesDecision d = engine.evaluate(word, "", false, layout, std::nullopt, line);
        return d.shouldCorrect ? d.correctedToken.value_or("?") : word;
    };
    const LineContext russianLine{"ru", true};
    const LineContext ukrainianLine{"uk", true};
    // A Russian line typed on the Ukrainian layout takes back a common short word ("мы"), but a
    // short word is never turned into a rare one ("абі" is not "абы").
    EXPECT_EQ(typed("мі", "uk", russianLine), "мы");
    EXPECT_EQ(typed("абі", "uk", russianLine), "абі");
    EXPECT_EQ(typed("алы", "ru", ukrainianLine), "алы");
    // A Ukrainian word no dictionary has stays as typed: never a made-up Russian form.
    for (const char* word : {"хештегі", "тіктокі", "лайфхакі", "мемасік"}) {
        EXPECT_EQ(typed(word, "uk", russianLine), word);
    }
    // "вашы" reads as a slip for the Russian "ваши": left alone unless the line is Ukrainian.
    EXPECT_EQ(typed("вашы", "ru", {}), "вашы");
    EXPECT_EQ(typed("ключы", "ru", {}), "ключы");
    EXPECT_EQ(typed("вашы", "ru", ukrainianLine), "ваші");
}

TEST(ShippedRulesFile, OfTwoReadingsTheOneTheDictionaryHasWins) {
    // "кеші" typed on the Russian layout is "кешы"; its English reading "rtis" scores too, but
    // only the Ukrainian reading is a word.
    RulesDecision d = shippedEngine().evaluate("кешы", "", false, std::string("ru"), std::nullopt);
    EXPECT_EQ(d.correctedToken, "кеші");
}

TEST(ShippedRulesFile, WithCapsLockOnAWordComesBackInCapitalsEvenItsPunctuationKeys) {
    // Caps Lock leaves "," and ";" as they are, though on the Russian layout they are "б" and "ж".
    auto typed = [](const std::string& word) {
        RulesDecision d = shippedEngine().evaluate(word, "", false, std::nullopt, std::nullopt);
        return d.shouldCorrect ? d.correctedToken.value_or("?") : word;
    };
    EXPECT_EQ(typed("J,TL"), "ОБЕД");
    EXPECT_EQ(typed("VJ;YJ"), "МОЖНО");
    // Half of it typed after switching, the rest before.
    EXPECT_EQ(typed("VJ;НО"), "МОЖНО");
}
