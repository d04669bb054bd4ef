// SPDX-License-Identifier: GPL-3.0-or-later
#include "EngineTestConfig.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/RulesEngineInternals.h"
#include "KeyvaneCore/Word.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace keyvane;
using nlohmann::json;

TEST(KeyboardLayoutSection, FileMapsReplaceTheirDirectionWholeAndDefaultsFillTheRest) {
    auto config = RulesConfig::parse(json::parse(R"({"keyboard_layout": {"maps": {
        "en_to_ru": {"q": "й", "ab": "cd", "": "x", "w": ""},
        "en_to_ru_shift": {"Q": "Й"},
        "en_to_uk": {"q": "ю"},
        "en_to_ru_to_uk": {"q": "й"}, "_to_ru": {"q": "й"}, "en_to_": {"q": "й"}, "en_to_ua": {"q": "й"},
        "ru_to_en": {"й": 5}
    }}})"));
    const auto& layout = config.keyboardLayout;
    EXPECT_EQ(layout.maps.size(), 5u); // en→ru plus the four built-in directions
    EXPECT_EQ(layout.shiftMaps.size(), 5u);
    EXPECT_EQ(layout.maps.at(LayoutDirection::enToRu), (KeyboardMap{{"q", "й"}, {"a", "c"}}));
    EXPECT_EQ(layout.shiftMaps.at(LayoutDirection::enToRu), (KeyboardMap{{"Q", "Й"}}));
    // A direction given in the file is not merged with its default.
    EXPECT_EQ(layout.maps.at(LayoutDirection{Language::en, Language::uk}), (KeyboardMap{{"q", "ю"}}));
    EXPECT_FALSE(layout.maps.contains(LayoutDirection::ruToEn));

    // Switches keep their default unless given as booleans.
    config = RulesConfig::parse(
        json{{"keyboard_layout", {{"preserve_case", "no"}, {"preserve_unknown_characters", false}}}});
    EXPECT_TRUE(config.keyboardLayout.preserveCase);
    EXPECT_FALSE(config.keyboardLayout.preserveUnknownCharacters);
}

TEST(DecisionSection, LengthTablesTakeCatchAllAndFallbackValuesAndMistypedValuesKeepDefaults) {
    auto config = RulesConfig::parse(json::parse(R"({"decision": {"auto_thresholds": {
        "min_delta_by_length": {"2": 40, "3": "high", "6plus": 18, "abc": 1, "": 2, "-1": 7},
        "min_candidate_score_by_length": {"4+": "x"}
    }}})"));
    auto d = config.decision;
    EXPECT_EQ(d.minDeltaByLength, (std::map<int, double>{{-1, 7}, {2, 40}, {3, 30}}));
    EXPECT_DOUBLE_EQ(d.minDeltaDefault, 18);
    EXPECT_TRUE(d.minCandidateScoreByLength.empty());
    EXPECT_DOUBLE_EQ(d.minCandidateScoreDefault, 42);

    auto aliasCurve = RulesConfig::parse(json::parse(R"({"decision": {
        "dynamic_threshold_curve": 5, "dynamicThresholdCurve": {"candidate_floor": 1, "floor": 2},
        "auto_thresholds": {"same_script_min_length": 5.9}}})"));
    EXPECT_DOUBLE_EQ(aliasCurve.decision.dynamicThresholdCurve.candidateFloor, 1);
    EXPECT_EQ(aliasCurve.decision.sameScriptMinLength, 5);
    auto huge = RulesConfig::parse(
        json::parse(R"({"decision": {"auto_thresholds": {"same_script_min_length": 1e300}}})"));
    EXPECT_EQ(huge.decision.sameScriptMinLength, std::numeric_limits<int>::max());
}

// What the decision knows of the languages (how "ы" or "э" weighs where it stands, when gibberish
// is read anyway) is the rules file's, with the shipped values where it says nothing.
TEST(DecisionSection, LetterWeightsAndBypassLimitsComeFromTheFileAndDefaultWhereItIsSilent) {
    auto config = RulesConfig::parse(json::parse(R"({"decision": {
        "gibberish_bypass": {"min_delta": 30, "min_confidence": "x"},
        "target_priority_penalty_per_index": 5,
        "same_script_letters": {"ы": {"at_end": -1}, "ыы": {"elsewhere": 3}, "э": 4},
        "same_script_inflected_ending": "ыы"
    }})"));
    const DecisionConfig& d = config.decision;
    EXPECT_DOUBLE_EQ(d.gibberishBypass.minDelta, 30);
    EXPECT_DOUBLE_EQ(d.gibberishBypass.minConfidence, 0.82);
    EXPECT_DOUBLE_EQ(d.gibberishBypass.minCandidateScore, 8);
    EXPECT_DOUBLE_EQ(d.targetPriorityPenaltyPerIndex, 5);
    EXPECT_DOUBLE_EQ(d.nonDictionaryConfidenceCap, 0.95);
    ASSERT_EQ(d.sameScriptLetters.size(), 1u) << "a key of two letters, or a weight that is no object";
    EXPECT_EQ(d.sameScriptInflectedEnding, "ы") << "an ending of two letters";

    const RulesEngine given(config);
    EXPECT_DOUBLE_EQ(given.evaluation().sameScriptPhoneticAdjustment(Word("быы")),
                     -1); // nothing elsewhere, -1 at the end
    EXPECT_DOUBLE_EQ(given.evaluation().sameScriptPhoneticAdjustment(Word("эхо")), 0);

    const RulesEngine defaults(RulesConfig::parse(json::object()));
    EXPECT_DOUBLE_EQ(defaults.evaluation().sameScriptPhoneticAdjustment(Word("быы")), 10 - 28);
    EXPECT_DOUBLE_EQ(defaults.evaluation().sameScriptPhoneticAdjustment(Word("эхо")), -20);
    EXPECT_DOUBLE_EQ(defaults.evaluation().sameScriptPhoneticAdjustment(Word("ахэ")), 4);
    EXPECT_DOUBLE_EQ(defaults.evaluation().sameScriptPhoneticAdjustment(Word("підʼїзд")), 0);
    EXPECT_DOUBLE_EQ(defaults.evaluation().sameScriptPhoneticAdjustment(Word("съел")), -6);

    // "системы" is the common Russian word "систем" with the ending only Russian writes: an
    // inflected Russian word, not Ukrainian typed on the wrong layout. The file may name another.
    nlohmann::json rules = keyvane::testing::testRules();
    rules["languages"]["ru"]["common_words"].push_back("систем");
    const LayoutDirection ruToUk{Language::ru, Language::uk};
    const RulesEngine shipped(keyvane::testing::testConfig({Language::ru, Language::uk}, rules));
    EXPECT_TRUE(shipped.evaluation().sourceIsInflectedKnownWord("системы", ruToUk));
    EXPECT_FALSE(shipped.evaluation().sourceIsInflectedKnownWord("системи", ruToUk));
    rules["decision"]["same_script_inflected_ending"] = "ё";
    const RulesEngine other(keyvane::testing::testConfig({Language::ru, Language::uk}, rules));
    EXPECT_FALSE(other.evaluation().sourceIsInflectedKnownWord("системы", ruToUk));
    EXPECT_TRUE(other.evaluation().sourceIsInflectedKnownWord("системё", ruToUk));
}

TEST(RulesFileSections, ListsKeepTheirCompleteEntriesInOrderAndDropTheBrokenOnes) {
    auto config = RulesConfig::parse(json::parse(R"({"protected_patterns": [
        {"id": "url", "regex": "^https?://", "case_insensitive": true},
        {"id": "broken", "regex": "(unclosed"},
        {"regex": "^no-id$"},
        {"id": "email", "regex": "^[^@]+@[^@]+$"},
        {"id": "ci-wrong-type", "regex": "^ABC$", "case_insensitive": "yes"}
    ], "manual_overrides": {
        "exact_pairs": {"Ghbdtn": "Привет", "bad": 5},
        "never_correct": ["IPhone", "git"],
        "exact_pairs_meta": {"Ghbdtn": {"dst": "RU"}, "x": {"dst": ""}, "y": 3},
        "never_correct_meta": {"Git": "EN", "z": ""}
    }})"));
    // Protected patterns honour their case insensitivity only when it is a boolean.
    ASSERT_EQ(config.protectedPatterns.size(), 3u);
    EXPECT_EQ(config.protectedPatterns[0].id, "url");
    EXPECT_TRUE(config.protectedPatterns[0].regex.find("HTTPS://example.com"));
    EXPECT_EQ(config.protectedPatterns[1].id, "email");
    EXPECT_FALSE(config.protectedPatterns[2].regex.find("abc"));
    EXPECT_TRUE(RulesConfig::parse(json::parse(R"({"protected_patterns": [{"id": "a", "regex": "x"}, 3]})"))
                    .protectedPatterns.empty());

    // The overrides' sources and languages are lower-cased.
    const auto& o = config.manualOverrides;
    EXPECT_EQ(o.exactPairs, (StringMap<std::string>{{"ghbdtn", "Привет"}}));
    EXPECT_EQ(o.neverCorrect, (StringSet{"iphone", "git"}));
    EXPECT_EQ(o.exactPairTargetLang, (StringMap<Language>{{"ghbdtn", Language::ru}}));
    EXPECT_EQ(o.neverCorrectLang, (StringMap<Language>{{"git", Language::en}}));
}

TEST(RulesFileTolerance, AGarbageDocumentOrGarbageInEverySectionLoadsWithDefaults) {
    const json garbageValues[] = {json(nullptr),
                                  json(true),
                                  json(-1e308),
                                  json("str"),
                                  json::array({1, "a", nullptr}),
                                  json::object({{"x", json::array()}})};
    const char* sections[] = {"keyboard_layout", "tokenization",     "protected_patterns", "decision",
                              "languages",       "layout_suspicion", "manual_overrides",   "golden_tests"};
    for (const json& garbage : garbageValues) {
        // A whole document of garbage gives every default.
        auto defaults = RulesConfig::parse(garbage);
        EXPECT_TRUE(defaults.languages.empty());
        EXPECT_EQ(defaults.keyboardLayout.maps.size(), 4u);
        EXPECT_EQ(defaults.keyboardLayout.shiftMaps.size(), 4u);
        EXPECT_EQ(defaults.tokenization.maxTokenLengthForAuto, 32);
        EXPECT_DOUBLE_EQ(defaults.decision.minDeltaDefault, 22);
        EXPECT_TRUE(defaults.goldenTests.empty());

        json document;
        for (const char* section : sections) {
            document[section] = garbage;
        }
        // Garbage one level deeper, too: every key of every section.
        document["decision"] = {
            {"auto_thresholds", garbage}, {"scoring_weights", garbage}, {"confidence", garbage}};
        document["languages"] = {{"uk",
                                  {{"vowels", garbage},
                                   {"bigram_log_weights", garbage},
                                   {"impossible_patterns", garbage},
                                   {"common_suffix_boosts", garbage}}}};
        auto config = RulesConfig::parse(document);
        EXPECT_EQ(config.keyboardLayout.maps.size(), 4u);
        EXPECT_DOUBLE_EQ(config.decision.scoringWeights.exactCommonWord, 90);
        // A list with one usable entry keeps it; the bad entries are dropped one by one.
        EXPECT_EQ(config.languages.at(Language::uk).vowels.size(), garbage.is_array() ? 1u : 10u);
        EXPECT_EQ(config.languages.at(Language::uk).impossiblePatterns.size(), 1u);
    }
}

TEST(RulesFileTolerance, MalformedTextIsAnErrorNotACrash) {
    std::string error;
    EXPECT_FALSE(RulesConfig::decode(R"({"languages": {"en": )", &error).has_value());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(RulesConfig::decode("\xff\xfe{}").has_value());
    EXPECT_FALSE(RulesConfig::decode("").has_value());
    EXPECT_TRUE(RulesConfig::decode(" {} ").has_value());
}

TEST(LanguageCodes, ACodeThatNamesNoLanguageIsTurnedAwayWhereItIsRead) {
    // "ua" is the Ukrainian layout's code, not the language's: a slip that must not become a fourth
    // language nobody can type in, nor be taken for Ukrainian.
    const auto config = RulesConfig::parse(json::parse(R"({
        "languages": {"ua": {"vowels": ["а"]}, "uk": {"vowels": ["і"]}, "EN": {}},
        "manual_overrides": {"exact_pairs": {"ghbdtn": "привет", "ckjy": "слон"},
                             "exact_pairs_meta": {"ghbdtn": {"dst": "RU"}, "ckjy": {"dst": "ua"}}}})"));
    EXPECT_EQ(config.languages.size(), 1u);
    EXPECT_TRUE(config.languages.contains(Language::uk));
    EXPECT_EQ(config.manualOverrides.exactPairTargetLang, (StringMap<Language>{{"ghbdtn", Language::ru}}));

    UserPreferences preferences;
    preferences.activeLanguages = {"en", "ua", "uk", "de", "ru"};
    EXPECT_EQ(RulesConfig::load(json::object(), std::nullopt, preferences).activeLanguages,
              (std::vector<Language>{Language::en, Language::uk, Language::ru}));

    // Reports and files hold the code, never the enumeration's number.
    EXPECT_EQ(json(std::vector<Language>{Language::en, Language::uk}).dump(), R"(["en","uk"])");
    EXPECT_EQ(json("ru").get<Language>(), Language::ru);
    EXPECT_THROW((void)json("ua").get<Language>(), json::type_error);
    EXPECT_THROW((void)json(1).get<Language>(), json::type_error);
}
