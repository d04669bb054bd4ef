// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/RulesEngine.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::testConfig;
using keyvane::testing::testRules;

namespace {

RulesDecision decide(const RulesEngine& engine, const std::string& word,
                     std::optional<Language> activeInputSource = std::nullopt,
                     std::optional<Language> session = std::nullopt, const std::string& app = "") {
    return engine.evaluate(word, app, false, activeInputSource, session);
}

std::string corrected(const RulesDecision& d) {
    return d.shouldCorrect() ? d.correctedToken.value_or("?") : "<none>";
}

// "vskj" reads "мыло" in Russian and "міло" in Ukrainian; each language knows its own word and
// every other score component is flat, so both readings score alike.
nlohmann::json equallyGoodReadings() {
    nlohmann::json rules = testRules();
    const nlohmann::json flatBigrams = {{"zz", 0}};
    rules["languages"]["ru"] = {{"script", "cyrillic"},
                                {"vowels", {"ы", "о"}},
                                {"common_words", {"мыло"}},
                                {"bigram_log_weights", flatBigrams},
                                {"unknown_bigram_weight", 0}};
    rules["languages"]["uk"] = {{"script", "cyrillic"},       {"vowels", {"і", "о"}},
                                {"common_words", {"міло"}},   {"bigram_log_weights", flatBigrams},
                                {"unknown_bigram_weight", 0}, {"impossible_patterns", {"^$"}},
                                {"rare_patterns", {"^$"}}};
    return rules;
}

} // namespace

TEST(WrongLayoutCorrection, WordsOfEachLanguageTypedOnAnotherComeBackWithTheirCaseAndPunctuation) {
    RulesEngine engine(testConfig());
    // Ukrainian "і" sits on the S key. A comma is the "б" key: "ghbdtn," is "привет" and a comma,
    // not "приветб", while a comma inside the word is a letter: ",skj" is "было".
    const std::pair<const char*, const char*> cases[] = {
        {"ghbdtn", "привет"}, {"ghbdsn", "привіт"},   {"руддщ", "hello"},     {"іфьу", "same"},
        {"ефиду", "table"},   {"привыт", "привіт"},   {"сїезд", "съезд"},     {"Ghbdtn", "Привет"},
        {"GHBDTN", "ПРИВЕТ"}, {"Ghbdtn!", "Привет!"}, {"ghbdtn,", "привет,"}, {",skj", "было"},
        {"Руддщ?", "Hello?"}};
    for (const auto& [word, meant] : cases) {
        EXPECT_EQ(corrected(decide(engine, word)), meant) << word;
    }
    auto hello = decide(engine, "ghbdtn");
    EXPECT_EQ(hello.sourceLanguage, Language::en);
    EXPECT_EQ(hello.targetLanguage, Language::ru);
    EXPECT_EQ(hello.reason, DecisionReason::layoutMismatch);
    EXPECT_EQ(decide(engine, "ghbdsn").targetLanguage, Language::uk);
    EXPECT_EQ(decide(engine, "привыт").sourceLanguage, Language::ru);
    EXPECT_EQ(decide(engine, "сїезд").targetLanguage, Language::ru);
}

TEST(LeftAlone, CorrectWordsShortWordsUrlsAddressesIdentifiersAndDigits) {
    RulesEngine engine(testConfig());
    for (const char* word :
         {"hello", "world", "привет", "спасибо", "привіт", "дякую", "Hello", "table", "--"}) {
        auto d = decide(engine, word);
        EXPECT_FALSE(d.shouldCorrect()) << word << " → " << corrected(d);
    }
    // Addresses and identifiers are left alone because they are recognised as such, not only
    // because their readings score badly.
    for (const char* protectedWord :
         {"https://ghbdtn.com", "WWW.ghbdtn.com", "ghbdtn@vbh.com", "ghbdtn_vbh"}) {
        EXPECT_FALSE(decide(engine, protectedWord).shouldCorrect()) << protectedWord;
        EXPECT_TRUE(engine.diagnose(protectedWord, "", false, std::nullopt).isProtectedPattern)
            << protectedWord;
    }
    EXPECT_EQ(decide(engine, "ghbdtn_vbh").reason, DecisionReason::protectedPattern);
    EXPECT_EQ(decide(engine, "g").reason, DecisionReason::tooShort);
    EXPECT_EQ(decide(engine, "ghbdtn2").reason, DecisionReason::containsDigits);
    EXPECT_EQ(decide(engine, "123").reason, DecisionReason::containsDigits);
    EXPECT_EQ(decide(engine, "lol").reason, DecisionReason::neverCorrect);
    EXPECT_EQ(decide(engine, "LOL").reason, DecisionReason::neverCorrect);
    EXPECT_EQ(decide(engine, "").reason, DecisionReason::emptyToken);
    EXPECT_EQ(decide(engine, std::string(40, 'g')).reason, DecisionReason::tooLong);
}

TEST(LeftAlone, AWordOfOneLanguageIsNotReadAsUnknownInAnotherWithTheSameLetters) {
    // "где" is Russian; its letters are Ukrainian too, and on the Ukrainian layout they are the
    // keys of "ult". Unknown as Ukrainian, it must still not be turned into English.
    nlohmann::json rules = testRules();
    rules["languages"]["ru"]["common_words"].push_back("где");
    rules["languages"]["en"]["common_words"].push_back("ult");
    RulesEngine engine(testConfig({Language::en, Language::ru, Language::uk}, rules));
    auto d = decide(engine, "где");
    EXPECT_FALSE(d.shouldCorrect()) << corrected(d);
    // A word no language knows is still read from every language whose letters it uses.
    EXPECT_EQ(corrected(decide(engine, "руддщ")), "hello");
}

TEST(LeftAlone, ExcludedApplicationsRegardlessOfCase) {
    RulesConfig config = testConfig();
    config.excludedApps["org.example.Terminal"] = {"Terminal", false};
    RulesEngine engine(config);
    EXPECT_EQ(decide(engine, "ghbdtn", std::nullopt, std::nullopt, "ORG.EXAMPLE.terminal").reason,
              DecisionReason::excludedApp);
    EXPECT_TRUE(decide(engine, "ghbdtn", std::nullopt, std::nullopt, "org.example.editor").shouldCorrect());
}

TEST(LeftAlone, OnlyTheSourceLanguageActiveAlsoAfterAReload) {
    EXPECT_EQ(decide(RulesEngine(testConfig({Language::en})), "ghbdtn").reason,
              DecisionReason::noTargetLanguage);
    // A reload replaces the whole configuration.
    RulesEngine engine(testConfig());
    ASSERT_TRUE(decide(engine, "ghbdtn").shouldCorrect());
    engine.reloadConfig(testConfig({Language::en}));
    EXPECT_EQ(decide(engine, "ghbdtn").reason, DecisionReason::noTargetLanguage);
}

TEST(LearnedPairs, ExactPairWinsWithItsCaseIntoAnActiveLanguageOnly) {
    RulesEngine engine(testConfig());
    auto d = decide(engine, "Ntcn");
    EXPECT_EQ(corrected(d), "Тест");
    EXPECT_EQ(d.reason, DecisionReason::exactSeedPair);
    EXPECT_DOUBLE_EQ(d.confidence, 0.99);
    // "тест" is Cyrillic and fits both Russian and Ukrainian alphabets: no single target.
    EXPECT_FALSE(d.targetLanguage.has_value());

    // A pair into a language that is not active does not fire.
    nlohmann::json rules = testRules();
    rules["manual_overrides"]["exact_pairs"]["ghbdtn"] = "привет";
    rules["manual_overrides"]["exact_pairs_meta"]["ghbdtn"] = {{"src", "en"}, {"dst", "ru"}};
    RulesEngine englishOnly(testConfig({Language::en}, rules));
    EXPECT_EQ(corrected(decide(englishOnly, "Ghbdtn")), "<none>");
    EXPECT_EQ(corrected(decide(englishOnly, "ntcn")), "<none>");
    RulesEngine englishUkrainian(testConfig({Language::en, Language::uk}, rules));
    EXPECT_EQ(corrected(decide(englishUkrainian, "Ghbdtn")), "<none>") << "learned as Russian";
    EXPECT_EQ(corrected(decide(englishUkrainian, "ntcn")), "тест") << "Ukrainian letters too";
    RulesEngine englishRussian(testConfig({Language::en, Language::ru}, rules));
    EXPECT_EQ(corrected(decide(englishRussian, "Ghbdtn")), "Привет");

    // A pair recorded with a code that names no language ("ua") is read as a pair without one:
    // its target's alphabet tells the language.
    rules["manual_overrides"]["exact_pairs_meta"]["ghbdtn"] = {{"src", "en"}, {"dst", "ua"}};
    RulesEngine recordedAmiss(testConfig({Language::en, Language::ru}, rules));
    EXPECT_EQ(corrected(decide(recordedAmiss, "Ghbdtn")), "Привет");
}

TEST(TieBreaks, OneWordFromTwoLayoutsTakesTheActiveOneAndTwoCloseWordsWaitForTheSessionOrPriority) {
    const RulesEngine standard(testConfig());
    // "руддщ" is the same keys on the Russian and the Ukrainian layout.
    EXPECT_EQ(decide(standard, "руддщ").sourceLanguage, Language::ru);
    EXPECT_EQ(decide(standard, "руддщ", Language::uk).sourceLanguage, Language::uk);
    EXPECT_EQ(decide(standard, "руддщ", Language::en).sourceLanguage, Language::ru);

    // Different words within two points are ambiguous unless the session or the priority decides.
    nlohmann::json rules = equallyGoodReadings();
    RulesEngine engine(testConfig({Language::ru, Language::uk, Language::en}, rules));

    auto undecided = decide(engine, "vskj");
    EXPECT_EQ(undecided.reason, DecisionReason::ambiguousTarget);
    EXPECT_FALSE(undecided.shouldCorrect());
    EXPECT_FALSE(undecided.targetLanguage.has_value());

    auto ukrainianSession = decide(engine, "vskj", std::nullopt, Language::uk);
    EXPECT_EQ(corrected(ukrainianSession), "міло");
    EXPECT_EQ(ukrainianSession.reason, DecisionReason::sessionLanguageTieBreak);
    EXPECT_EQ(corrected(decide(engine, "vskj", std::nullopt, Language::ru)), "мыло");
    EXPECT_EQ(decide(engine, "vskj", std::nullopt, Language::en).reason, DecisionReason::ambiguousTarget);

    // Lower-priority targets pay a penalty: with Ukrainian third its reading loses 12 points, so
    // the Russian word wins.
    auto ukrainianLast =
        decide(RulesEngine(testConfig({Language::en, Language::ru, Language::uk}, rules)), "vskj");
    EXPECT_EQ(corrected(ukrainianLast), "мыло");
    EXPECT_EQ(ukrainianLast.reason, DecisionReason::layoutMismatch);

    // The Ukrainian reading a point and a half ahead is still a tie; two points ahead it wins.
    rules["languages"]["uk"]["micro_dictionary"] = {"міло"};
    rules["decision"]["scoring_weights"]["frequent_token_bonus"] = 1.5;
    EXPECT_EQ(
        decide(RulesEngine(testConfig({Language::ru, Language::uk, Language::en}, rules)), "vskj").reason,
        DecisionReason::ambiguousTarget);
    rules["decision"]["scoring_weights"]["frequent_token_bonus"] = 2.0;
    EXPECT_EQ(
        corrected(decide(RulesEngine(testConfig({Language::ru, Language::uk, Language::en}, rules)), "vskj")),
        "міло");
}

TEST(ShortWords, OneLetterOnlyInsideAnEnglishSessionAndTwoLettersOnlyFromTheMicroDictionary) {
    nlohmann::json rules = testRules();
    rules["tokenization"]["min_token_length_for_auto"] = 1;
    rules["tokenization"]["auto_skip_length_1"] = false;
    RulesEngine engine(testConfig({Language::en, Language::ru, Language::uk}, rules));
    // "ш" is the I key: the English word "i", but only inside an English session.
    EXPECT_EQ(corrected(decide(engine, "ш", std::nullopt, Language::en)), "i");
    EXPECT_EQ(decide(engine, "ш").reason, DecisionReason::length1NoExactPair);
    EXPECT_EQ(decide(engine, "Ш", std::nullopt, Language::en).reason, DecisionReason::length1NoExactPair);

    // "ds" is "вы", a word of the built-in Russian micro dictionary; "dq" ("вй") is not.
    EXPECT_EQ(corrected(decide(engine, "ds")), "вы");
    EXPECT_EQ(decide(engine, "dq").shouldCorrect(), false);
    EXPECT_EQ(decide(engine, "ds", std::nullopt, Language::uk).shouldCorrect(), false);
    // Unless the rules file lets two letters be read as any longer word.
    rules["tokenization"]["auto_length_2_requires_exact_common_or_override"] = false;
    RulesEngine free(testConfig({Language::en, Language::ru, Language::uk}, rules));
    EXPECT_NE(decide(free, "ds", std::nullopt, Language::uk).reason, DecisionReason::length2SessionMismatch);
    EXPECT_NE(decide(free, "dq").reason, DecisionReason::length2NoExactMatch);
}

TEST(MixedScript, WordSwitchedMidwayIsReadWholeThroughTheActiveLanguages) {
    RulesEngine engine(testConfig());
    auto d = decide(engine, "ghbвет"); // layout switched after three keys
    EXPECT_EQ(corrected(d), "привет");
    EXPECT_EQ(d.reason, DecisionReason::mixedScriptDualEval);
    EXPECT_FALSE(d.sourceLanguage.has_value());
    EXPECT_FALSE(d.targetLanguage.has_value());
    EXPECT_EQ(engine.detectLanguage(*d.correctedToken), Language::ru);

    nlohmann::json rules = testRules();
    rules["tokenization"]["mixed_script_auto"] = false;
    RulesEngine strict(testConfig({Language::en, Language::ru, Language::uk}, rules));
    EXPECT_EQ(decide(strict, "ghbвет1").reason, DecisionReason::mixedScript);

    // Read through the layouts of the active languages only.
    rules = testRules();
    keyvane::testing::addBuiltInMaps(
        rules, {LayoutDirection{Language::en, Language::uk}, LayoutDirection{Language::uk, Language::en}});
    RulesEngine englishOnly(testConfig({Language::en}, rules));
    EXPECT_EQ(corrected(decide(englishOnly, "ghbвет")), "<none>") << "Russian is not active";
    RulesEngine englishUkrainian(testConfig({Language::en, Language::uk}, rules));
    EXPECT_EQ(corrected(decide(englishUkrainian, "ghbdіт")), "привіт");
    EXPECT_EQ(corrected(decide(englishUkrainian, "Ghbdіт,")), "Привіт,");
}

TEST(Robustness, OverflowingScoresNeverPassAThresholdAsNaN) {
    // Huge weights overflow both readings of a word to infinity; their difference is NaN, which
    // must count as failing every threshold rather than passing it.
    nlohmann::json rules = testRules();
    rules["decision"]["scoring_weights"]["exact_common_word"] = 1e308;
    rules["decision"]["scoring_weights"]["has_language_vowel"] = 1e308;
    rules["languages"]["en"]["common_words"].push_back("ghbdtn");
    rules["languages"]["en"]["vowels"].push_back("g");
    RulesEngine engine(testConfig({Language::en, Language::ru}, rules));
    auto d = decide(engine, "ghbdtn");
    EXPECT_FALSE(d.shouldCorrect());
    EXPECT_FALSE(std::isnan(d.confidence));
    // Even with no minimum confidence at all, a NaN delta passes no threshold.
    rules["decision"]["auto_thresholds"]["min_confidence"] = 0;
    RulesEngine permissive(testConfig({Language::en, Language::ru}, rules));
    EXPECT_FALSE(decide(permissive, "ghbdtn").shouldCorrect());

    // A zero confidence scale makes a zero gain 0/0.
    rules = testRules();
    rules["decision"]["confidence"]["scale"] = 0;
    RulesEngine flat(testConfig({Language::en, Language::ru}, rules));
    for (const char* word : {"ghbdtn", "hello", "привет", "ghbвет"}) {
        EXPECT_FALSE(std::isnan(decide(flat, word).confidence)) << word;
    }
}
