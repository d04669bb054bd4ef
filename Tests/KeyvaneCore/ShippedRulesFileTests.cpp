// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/UnicodeText.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace keyvane;
using keyvane::testing::typedWord;

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
        config.activeLanguages = {Language::en, Language::ru, Language::uk};
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
    for (Language language : allLanguages) {
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
        EXPECT_EQ(language.impossiblePatterns.size(),
                  document["languages"][toString(code)]
                      .value("impossible_patterns", nlohmann::json::array({"x"}))
                      .size())
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
    config.activeLanguages = {Language::en, Language::uk, Language::ru};
    RulesEngine engine(std::move(config));
    // "," is a letter of the Cyrillic layouts: "Lj,hsq" is one word, "Добрый" in Russian.
    EXPECT_EQ(engine.convertSelectionSmart("Lj,hsq dtxth", std::nullopt),
              (ManualConversionResult{"Добрый вечер", Language::ru}));
    EXPECT_EQ(engine.convertSelectionSmart("Lj,hbq dtxsh", std::nullopt),
              (ManualConversionResult{"Добрий вечір", Language::uk}));
}

TEST(ShippedRulesFile, EverydayWordsTypedKeyForKeyComeBackAsMeant) {
    const RulesEngine& engine = shippedEngine();
    // English contractions and possessives on the Cyrillic layouts, whose apostrophe key is "э" or
    // "є", and punctuation keys typed with the word, on both sides. Correct text stays: an
    // abbreviation with its full stop, a common word with a misplaced apostrophe.
    const std::pair<const char*, const char*> cases[] = {
        {"Шэь", "I'm"},         {"вщтэе", "don't"},   {"nj;t", "тоже"},     {"ldflwfnm?", "двадцать,"},
        {"pfxtv&", "зачем?"},   {"dtxsh/", "вечір."}, {"црут,", "when?"},   {"hello,", "hello,"},
        {"PDF.", "PDF."},       {"NYC", "NYC"},       {"the're", "the're"}, {"привет,", "привет,"},
        {"файлі", "файлі"},     {"файлы", "файлы"},   {"Ощртэы", "John's"}, {"ьфтєі", "man's"},
        {"Ghbdtn^", "Привет:"}, {"e;t", "уже"},       {"Аштуб", "Fine,"},   {"yt,j/", "небо."},
        {"world.", "world."}};
    for (const auto& [word, meant] : cases) {
        EXPECT_EQ(typedWord(engine, word), meant) << word;
    }
    // "немає": the last key is "є", not an apostrophe after "нема".
    EXPECT_EQ(typedWord(engine, "ytvf'", {Language::uk, false}), "немає");
    // "gjldbcfyb." reads "подвисани" and a full stop, or "подвисанию" whole; neither is a known
    // word, so nothing is typed rather than half a word.
    EXPECT_EQ(engine.evaluate("gjldbcfyb.", "", false, std::nullopt, std::nullopt).reason,
              DecisionReason::ambiguousTrailingUnknownStem);
    EXPECT_EQ(typedWord(engine, "gjldbcfyb."), "gjldbcfyb.");
}

TEST(ShippedRulesFile, AWordNoListKnowsIsCorrectedWithTheConfidenceItDeserves) {
    const RulesEngine& engine = shippedEngine();
    // "сельдерей" is in no common-word list: corrected by its letters, never with the confidence
    // of a dictionary word.
    RulesDecision d = engine.evaluate("ctkmlthtq", "", false, std::nullopt, std::nullopt);
    EXPECT_EQ(d.correctedToken, "сельдерей");
    EXPECT_LE(d.confidence, engine.config().decision.nonDictionaryConfidenceCap);
    // A long word whose typed form is gibberish is corrected even below the usual minimum score.
    d = engine.evaluate("nhfycajhvfnjh", "", false, std::nullopt, std::nullopt);
    EXPECT_EQ(d.correctedToken, "трансформатор");
    EXPECT_EQ(d.reason, DecisionReason::highConfidenceGibberishBypass);
}

TEST(ShippedRulesFile, AReadingThatIsAWordBeatsACorrectionIntoNoWord) {
    // Ukrainian on English keys: the Russian reading ("гыпервызор", "щезлы") passes on its letters
    // alone and is no word; the Ukrainian one is, though it scores lower as the third language.
    // A Russian reading that is a word stays ("дюймовый", not "дюймовій"), and so does one when
    // neither reading is a word ("гіпервізора" is not in the dictionary either).
    const std::tuple<const char*, const char*, Language> cases[] = {
        {"usgthdspjh", "гіпервізор", Language::uk},
        {"otpks", "щезлі", Language::uk},
        {"Otpks,", "Щезлі,", Language::uk},
        {"l.qvjdsq", "дюймовый", Language::ru},
        {"usgthdspjhf", "гыпервызора", Language::ru}};
    for (const auto& [typed, meant, language] : cases) {
        const RulesDecision d = shippedEngine().evaluate(typed, "", false, std::nullopt, std::nullopt);
        EXPECT_EQ(d.correctedToken.value_or(typed), meant) << typed;
        EXPECT_EQ(d.targetLanguage, language) << typed;
    }
}

TEST(ShippedRulesFile, AWordOfTheVocabularyComesBackThoughItsLettersScoreLow) {
    // "ім'я" (for its apostrophe) and "ledge" (for its rare letter pairs) score below the minimum,
    // but each is a word of its language and what was typed is a word of none.
    const std::pair<const char*, const char*> typedWrong[] = {
        {"sv`z", "ім'я"}, {"дувпу", "ledge"}, {"Ytjaswsqyb[", "Неофіційних"}};
    for (const auto& [typed, meant] : typedWrong) {
        const RulesDecision d = shippedEngine().evaluate(typed, "", false, std::nullopt, std::nullopt);
        EXPECT_EQ(d.correctedToken.value_or(typed), std::string(meant)) << typed;
    }
    EXPECT_EQ(shippedEngine().evaluate("sv`z", "", false, std::nullopt, std::nullopt).reason,
              DecisionReason::readingIsKnownWord);
    // Left alone: what reads as no word ("kubectl"), a word typed right ("tot" reads "еще"), and
    // a reading whose letters are words only with the sign between them dropped ("зи=зи").
    for (const char* typed : {"kubectl", "tot", "pb=pb"}) {
        const RulesDecision d = shippedEngine().evaluate(typed, "", false, std::nullopt, std::nullopt);
        EXPECT_FALSE(d.shouldCorrect()) << typed << " → " << d.correctedToken.value_or("");
    }
}

TEST(ShippedRulesFile, AWordJoinedOfPartsIsReadPartByPartWhenEveryPartReadsAsAWord) {
    // The hyphen's (the full stop's) letter pairs sink the whole word's score; its parts are words,
    // a capital before a full stop typed with "/" is an initial, and "'s" ends an English word.
    // Such a reading also beats one taken on its letters alone ("ПЕРШИЙ-ОСТАННЫЙ").
    const std::pair<const char*, const char*> typedWrong[] = {{"xnj-nj", "что-то"},
                                                              {"Xnj-nj,", "Что-то,"},
                                                              {"gj-hfpyjve", "по-разному"},
                                                              {",elm-zrbq", "будь-який"},
                                                              {"цудд-лтщцт", "well-known"},
                                                              {"ершкен-ашмую", "thirty-five."},
                                                              {"F/C/Geirby", "А.С.Пушкин"},
                                                              {"F/Rheukjd", "А.Круглов"},
                                                              {"Y/Dtriby", "Н.Векшин"},
                                                              {"D/Rjyz[by", "В.Коняхин"},
                                                              {"ddjlf|dsdjlf", "ввода/вывода"},
                                                              {"Фсешщт.Фвмутегку", "Action/Adventure"},
                                                              {"зфкфлууеэы", "parakeet's"},
                                                              {"GTHIBQ-JCNFYYSQ", "ПЕРШИЙ-ОСТАННІЙ"}};
    for (const auto& [typed, meant] : typedWrong) {
        const RulesDecision d = shippedEngine().evaluate(typed, "", false, std::nullopt, std::nullopt);
        EXPECT_EQ(d.correctedToken.value_or(typed), std::string(meant)) << typed;
    }
    EXPECT_EQ(shippedEngine().evaluate("xnj-nj", "", false, std::nullopt, std::nullopt).reason,
              DecisionReason::partsAreWords);
    // Typed right, or with a part that reads as no word: left alone. "из" typed right reads "bp",
    // an English abbreviation, but "из" is the better known word; the "ю" of "Люди" is a letter,
    // not a full stop ("K.lb"). "Э" and "Є" are one key, so neither initial is taken ("Э.Векшин",
    // "И.Э.Бабель"). A name after an initial must read as the target's letters: "I/Os" and
    // "A/Bing" typed right stay. "(діє" reads "(ls'", no possessive: "діє" is a word.
    for (const char* typed : {"что-то", "из-за", "по-разному", "будь-який", "well-known", "tip-top", "e-mail",
                              "xnj-qwzx", "re-do", "Люди", "А.С.Пушкин", "\"/Dtriby", "B/\"/<f,tkm", "I/Os",
                              "A/Bing", "and/or", "Н.Векшин", "ввода/вывода", "(діє"}) {
        const RulesDecision d = shippedEngine().evaluate(typed, "", false, std::nullopt, std::nullopt);
        EXPECT_FALSE(d.shouldCorrect()) << typed << " → " << d.correctedToken.value_or("");
    }
}

TEST(ShippedRulesFile, PunctuationKeysSpellAWordOnlyInALineTypedOnTheWrongLayout) {
    // "]" and "[" are "ї" and "х" on the Ukrainian layout. Inside a Ukrainian line typed on English
    // keys "][" is "їх"; anywhere else "]]" is the end of a shell test.
    const RulesEngine& engine = shippedEngine();
    const LineContext none, ukWrong{Language::uk, true}, ukRight{Language::uk, false},
        enWrong{Language::en, true};
    EXPECT_EQ(typedWord(engine, "][", ukWrong), "їх");
    EXPECT_EQ(typedWord(engine, "]]", ukWrong), "її");
    EXPECT_EQ(engine.evaluate("][", "", false, std::nullopt, std::nullopt, ukWrong).reason,
              DecisionReason::lineReadsPunctuationKeys);
    for (const LineContext& line : {none, ukRight, enWrong}) {
        EXPECT_EQ(typedWord(engine, "]]", line), "]]");
    }
    EXPECT_EQ(typedWord(engine, "[[", ukWrong), "[[") << "no word";
}

TEST(ShippedRulesFile, RussianAndUkrainianWordsTypedRightStayWithoutALine) {
    const RulesEngine& engine = shippedEngine();
    // Words of one language, typed on its layout, whose letters read as a word (or near one) of
    // the other: with nothing on the line to say otherwise, they are what the user typed.
    const std::pair<Language, std::vector<const char*>> typedOn[] = {
        {Language::uk, {"ті", "мі", "біл", "їх", "дані", "системі", "режимі", "форматі", "показані", "такі"}},
        {Language::ru,
         {"мы", "ты", "был", "было", "мыло", "сыр", "системы", "даны", "этот", "съезд", "дачный", "тылу",
          "опоры!", "сокеты", "Эйзенхауэр"}}};
    for (const auto& [layout, words] : typedOn) {
        for (const char* word : words) {
            RulesDecision d = engine.evaluate(word, "", false, layout, std::nullopt);
            EXPECT_FALSE(d.shouldCorrect()) << word << " → " << d.correctedToken.value_or("");
        }
    }
}

TEST(ShippedRulesFile, OfTwoReadingsALineTypedOnTheWrongLayoutOrTheDictionaryDecides) {
    // "of" on the Russian layout is "ща", Russian chat for "now"; "із" on English keys is "sp"; a
    // line typed on the right layout keeps them, as "ps" in a Ukrainian sentence was switched to on
    // purpose. A Russian line typed on the Ukrainian layout takes back a common short word ("мы"),
    // but a short word is never turned into a rare one ("абі" is not "абы"), and a Ukrainian word
    // no dictionary has stays as typed: never a made-up Russian form. "вашы" reads as a slip for
    // the Russian "ваши": left alone unless the line is Ukrainian. "кеші" typed on the Russian
    // layout is "кешы"; its English reading "rtis" scores too, but only the Ukrainian reading is a
    // word.
    // Lines in a language typed on the wrong layout, and typed on the right one.
    const LineContext none, ru{Language::ru, true}, uk{Language::uk, true}, en{Language::en, true},
        ukRight{Language::uk, false}, enRight{Language::en, false};
    const std::tuple<const char*, const char*, LineContext, const char*> cases[] = {
        {"ща", nullptr, none, "ща"},        {"ща", nullptr, ru, "ща"},
        {"ща", nullptr, en, "of"},          {"sp", nullptr, en, "sp"},
        {"sp", nullptr, uk, "із"},          {"ps", nullptr, ukRight, "ps"},
        {"ща", nullptr, enRight, "ща"},     {"мі", "uk", ru, "мы"},
        {"абі", "uk", ru, "абі"},           {"алы", "ru", uk, "алы"},
        {"хештегі", "uk", ru, "хештегі"},   {"тіктокі", "uk", ru, "тіктокі"},
        {"лайфхакі", "uk", ru, "лайфхакі"}, {"мемасік", "uk", ru, "мемасік"},
        {"вашы", "ru", none, "вашы"},       {"ключы", "ru", none, "ключы"},
        {"вашы", "ru", uk, "ваші"},         {"кешы", "ru", none, "кеші"}};
    for (const auto& [word, layout, line, meant] : cases) {
        const auto source = layout ? languageFromString(layout) : std::nullopt;
        EXPECT_EQ(typedWord(shippedEngine(), word, line, source), meant)
            << word << " on " << (layout ? layout : "-") << " in a line of "
            << (line.language ? toString(*line.language) : "-");
    }
}

TEST(ShippedRulesFile, WithCapsLockOnAWordComesBackInCapitalsEvenItsPunctuationKeys) {
    // Caps Lock leaves "," and ";" as they are, though on the Russian layout they are "б" and "ж".
    EXPECT_EQ(typedWord(shippedEngine(), "J,TL"), "ОБЕД");
    EXPECT_EQ(typedWord(shippedEngine(), "VJ;YJ"), "МОЖНО");
    // Half of it typed after switching, the rest before.
    EXPECT_EQ(typedWord(shippedEngine(), "VJ;НО"), "МОЖНО");
}
