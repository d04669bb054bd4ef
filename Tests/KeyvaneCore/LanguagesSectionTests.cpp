// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/RulesEngineInternals.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace keyvane;
using nlohmann::json;

namespace {

LanguageConfig language(const std::string& code, const json& entry) {
    auto config = RulesConfig::parse(json{{"languages", {{code, entry}}}});
    return config.languages.at(languageFromString(code).value());
}

bool anyMatches(const std::vector<CompiledRegex>& patterns, const std::string& text) {
    for (const auto& p : patterns) {
        if (p.find(text)) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST(LanguagesSection, EmptyUkrainianEntryGetsEveryBuiltInDefault) {
    auto uk = language("uk", json::object());
    EXPECT_EQ(uk.vowels.size(), 10u);
    EXPECT_TRUE(uk.vowels.contains("ї"));
    EXPECT_EQ(uk.scriptAlphabet.size(), 34u); // 33 letters and the apostrophe
    EXPECT_TRUE(uk.scriptAlphabet.contains("'"));
    EXPECT_EQ(uk.microDictionary.size(), 16u);
    EXPECT_EQ(uk.bigramLogWeights.size(), 53u);
    EXPECT_DOUBLE_EQ(uk.bigramLogWeights.at("ро"), 2.98);
    // A Latin token is impossible as Ukrainian; a run of consonants is rare.
    EXPECT_TRUE(anyMatches(uk.impossiblePatterns, "hello"));
    EXPECT_FALSE(anyMatches(uk.impossiblePatterns, "м'ята"));
    EXPECT_TRUE(anyMatches(uk.rarePatterns, "бвгд"));
    EXPECT_FALSE(anyMatches(uk.rarePatterns, "слово"));
    EXPECT_DOUBLE_EQ(uk.unknownBigramWeight, -1.5);
    EXPECT_DOUBLE_EQ(uk.ngramScoringScale, 20.0);
}

TEST(LanguagesSection, EmptyOrBrokenValuesSelectDefaultsOnlyWhereDocumented) {
    EXPECT_TRUE(language("en", {{"micro_dictionary", json::array()}}).microDictionary.empty());
    EXPECT_EQ(language("en", {{"bigram_log_weights", json::object()}}).bigramLogWeights.size(), 148u);
    EXPECT_TRUE(language("en", {{"bigram_log_weights", {{"th", "x"}}}}).bigramLogWeights.empty());
    EXPECT_EQ(language("uk", {{"script_alphabet", ""}}).scriptAlphabet.size(), 34u);
    EXPECT_EQ(language("en", {{"script_alphabet", "ABc"}}).scriptAlphabet, (StringSet{"a", "b", "c"}));
    // A list whose patterns all fail to compile is empty, not the built-in list; one that fails
    // to compile is dropped and the valid one kept.
    EXPECT_TRUE(language("uk", {{"rare_patterns", {"(", "["}}}).rarePatterns.empty());
    EXPECT_EQ(language("uk", {{"rare_patterns", json::array()}}).rarePatterns.size(), 2u);
    auto ru = language("ru", {{"impossible_patterns", {"[unclosed", "ъъ"}}});
    ASSERT_EQ(ru.impossiblePatterns.size(), 1u);
    EXPECT_TRUE(ru.impossiblePatterns[0].find("объъект"));
    // A language entry that is not an object is skipped.
    auto config =
        RulesConfig::parse(json{{"languages", {{"en", 5}, {"ru", json::object()}, {"uk", {1, 2}}}}});
    EXPECT_EQ(config.languages.size(), 1u);
    EXPECT_TRUE(config.languages.contains(Language::ru));
}

TEST(LanguagesSection, SimplePatternsMatchExactlyWhereTheRegularExpressionWould) {
    // Simple patterns (letter pairs, classes, one class with a count, literal words) are searched
    // without the regex engine; wrapping one in a group keeps it on the regex engine, so both must
    // agree on every text.
    const std::vector<std::string> shortPatterns = {"шы|ж[ыяю]",
                                                    "a[bc]|xy",
                                                    "q[z]",
                                                    "ї[ґє]|'[а]",
                                                    "😀x",
                                                    "[іїєґ]",
                                                    "[^a-z'\\-]",
                                                    "^[ьъы]",
                                                    "[ъь]{2}",
                                                    "^[^aeiouy]{4,}$",
                                                    "^[a-c]{2}$",
                                                    "[xy]+$",
                                                    "(ру|еру|шт|щт)",
                                                    "^\\p{Lu}{2,5}$",
                                                    "\\p{L}{3}",
                                                    "^[^\\p{Ll}]{2}",
                                                    "[;\\[\\]',.`]\\p{L}",
                                                    "[^a-x\\]][ь\\-]"};
    const std::vector<std::string> longPatterns = {
        "[bcdfghjklmnpqrstvwxz]{5}", "^[bcdfghjklmnpqrstvwxz]{6,}$", "^[йцкнгшщзхфвпрлджчсмтьб]{4,}",
        "(ghb|nj|xnj|ntcn|rfr|pf|vs)"};
    const std::vector<std::string> texts = {
        "",        "ш",        "шы",   "машына",  "жюри",     "ЖЫ",      "ab",     "cab",      "xxy",
        "yx",      "qz",       "q",    "її",      "ґїє",      "п'ять",   "'а",     "😀x",       "😀",
        "ы\xffж",  "жы\xff",   "шй",   "hello",   "strength", "rhythms", "bcdfgh", "bcdfg",    "ab\n",
        "abc\r\n", "bcdfgh\n", "x\n",  "rhy-thm", "don't",    "Hello",   "ьъ",     "ъ",        "ьтот",
        "щтука",   "ghbdtn",   "ntcn", "вспл",    "стрпк",    "ac",      "abc",    "bb\u2028", "xy\x0b",
        "NYC",     "ПДФ",      "ǅX",   "ABCDEF",  "Ω𝐀",       "A1",      "ЁЖ\n",   "ghb;tn",   "k;",
        "]ь",      "z-",       ",1",   "`Я",      "a.b"};
    // An empty lookahead before the pattern keeps it on the regex engine, unguarded.
    auto unguarded = [](const std::string& pattern, bool caseInsensitive = false) {
        return CompiledRegex::compile("(?=)(?:" + pattern + ")", caseInsensitive);
    };
    for (const auto& patterns : {shortPatterns, longPatterns}) {
        for (const std::string& pattern : patterns) {
            auto fast = CompiledRegex::compile(pattern);
            auto regex = unguarded(pattern);
            ASSERT_TRUE(fast && regex) << pattern;
            for (const std::string& text : texts) {
                EXPECT_EQ(fast->find(text), regex->find(text)) << pattern << " in " << text;
            }
        }
    }
    // A guarded pattern answers as the regular expression does on every text.
    auto agree = [&](const std::vector<std::pair<std::string, bool>>& patterns,
                     const std::vector<const char*>& subjects) {
        for (const auto& [pattern, caseInsensitive] : patterns) {
            auto guarded = CompiledRegex::compile(pattern, caseInsensitive);
            auto regex = unguarded(pattern, caseInsensitive);
            ASSERT_TRUE(guarded && regex) << pattern;
            for (const char* text : subjects) {
                EXPECT_EQ(guarded->find(text), regex->find(text)) << pattern << " in " << text;
            }
        }
    };
    // Patterns anchored at the start turn a text away by its first character; never one that the
    // regular expression would match (a first element that may be absent, an alternation at the
    // top, case folding).
    agree({{"^[a-z0-9-]+(\\.[a-z0-9-]+)*\\.(com|ru)$", true},
           {"^[a-z]+(_[a-z0-9]+)+$", true},
           {"^[a-z]+[A-Z][a-zA-Z]*$", false},
           {"^[#@][\\p{L}\\p{N}_]+$", false},
           {"^[a-z]*1", false},
           {"^a|b", false},
           {"^x{0,2}y", false}},
          {"", "1", "xb", "y", "snake_case", "Snake_Case", "camelCase", "@ghbdtn", "#тег", "ghbdtn@",
           "пример.ru", "EXAMPLE.COM", "my-site.com", "\xff"});
    // Any pattern turns away a text without the ASCII characters every match holds ("@", "/",
    // one of [A-Z]); never one the regular expression would match (an optional or repeated group,
    // an empty branch, a lazy count, case folding from beyond ASCII).
    agree({{"^(https?|ftp)://|^www\\.[^.]+\\.", true},
           {"^[^@\\s]+@[^@\\s]+\\.[a-z]{2,}$", true},
           {"^(~|\\.{1,2})?/[^/]", false},
           {"^[a-z]+[A-Z][a-zA-Z]*$", false},
           {"a(b|)c", false},
           {"x*y|z{0,3}q", false},
           {"(ab)+?c[-_]", false},
           {"[a-c]{2}\\d", true},
           {"k\\p{L}", true},
           {"[^a]b\\.|\\.", false}},
          {"",      "hello",   "https://x.y", "ftp:/",  "WWW.EXAMPLE.COM", "me@x.org", "me@x",
           "~/bin", "./x",     "/",           "/usr",   "camelCase",       "CAMEL",    "ac",
           "abc",   "xy",      "y",           "q",      "ababc_",          "abc-",     "AB1",
           "b2",    "\u212Ab", "Kb",          "\u212A", "пример.ru",       "b.",       "\xff@x.io"});
    // Anything else stays a regular expression: a property, a lookahead, an alternation of classes.
    EXPECT_TRUE(CompiledRegex::compile("[;\\[\\]',.`]\\p{N}")->find("a;1"));
    EXPECT_TRUE(CompiledRegex::compile("^(?!x)[a-z]+$")->find("abc"));
    EXPECT_FALSE(CompiledRegex::compile("^ab")->find("cab"));
}

TEST(LanguagesSection, WordListsAreCaseInsensitiveAndFindEveryWordButPatternListsAreNot) {
    auto en = language("en", {{"common_words", {"The", "the", "WORD"}},
                              {"strong_bigrams", {"Th", "th"}},
                              {"strong_word_starts", {"un", "re", "un"}}});
    EXPECT_EQ(en.commonWords.size(), 2u);
    EXPECT_TRUE(en.commonWords.contains("the"));
    EXPECT_TRUE(en.commonWords.contains("word"));
    EXPECT_EQ(en.strongBigrams, (StringSet{"Th", "th"}));
    EXPECT_EQ(en.strongWordStarts, (std::vector<std::string>{"un", "re", "un"}));

    // A large list.
    json words = json::array();
    for (int i = 0; i < 20000; ++i) {
        words.push_back("слово" + std::to_string(i));
    }
    words.push_back("СЛОВО7"); // the same word in capitals
    auto ru = language("ru", {{"common_words", words}});
    EXPECT_EQ(ru.commonWords.size(), 20000u);
    for (int i = 0; i < 20000; i += 997) {
        EXPECT_TRUE(ru.commonWords.contains("слово" + std::to_string(i))) << i;
    }
    EXPECT_FALSE(ru.commonWords.contains("слово20000"));
    EXPECT_FALSE(ru.commonWords.contains(""));
    EXPECT_FALSE(ru.commonWords.contains("слово"));
    // A list that is not all strings counts as no list.
    EXPECT_TRUE(language("ru", {{"common_words", {"слово", 5}}}).commonWords.empty());
}

TEST(LanguagesSection, AnAddressOrADomainIsNoImpossibleWordButATextEndingOtherwiseIs) {
    const RulesEngine engine(RulesConfig::parse(json::object()));
    const LanguageConfig en = language("en", {{"impossible_patterns", {"[^a-z'\\-]"}}});
    auto impossible = [&](const char* token) {
        return engine.evaluation().scoreToken(token, &en, false).impossiblePatternPenalty != 0;
    };
    for (const char* address : {"me@example.com", "EXAMPLE.COM", "my-site.dev/x;y", "a.b.info", "x@y.Io/"}) {
        EXPECT_FALSE(impossible(address)) << address;
    }
    // A full stop that is "ю" typed on the wrong layout, an ending followed by more, no ending.
    for (const char* text : {"ckjdj.bn", "x.comx", "x.com.b", "site.", "a@b", ".org/", "x.ьru"}) {
        EXPECT_TRUE(impossible(text)) << text;
    }
}

TEST(LanguagesSection, PatternsSearchedTogetherAnswerAsAnyOfThemAlone) {
    // A language's patterns are searched as one list: runs of a class in one pass, letter pairs as
    // one set, the rest one by one. Each list must match exactly the texts one of its patterns does.
    const std::vector<std::vector<std::string>> lists = {
        {"[^a-z'\\-]", "^[bcdfghjklmnpqrstvwxz]{6,}$"},
        {"[bcdfghjklmnpqrstvwxz]{5}", "^[^aeiouy]{4,}$", "q[bz]|x[jk]", "v[fq]|w[v]"},
        {"[^абвгдеёжзийклмнопрстуфхцчшщъыьэюя\\-]", "^[ьъы]", "[ъь]{2}"},
        {"[іїєґ]", "^[a-c]{2}$", "[xy]+$", "^[xy]{3}", "[ab]{9}", "[ab]{2}\\d", "(ру|шт)", "\\p{Lu}{3}"},
        {"^\\p{Lu}{2,5}$", "[ьъ]$", "^x{1,2}$"}};
    const std::vector<std::string> texts = {"",
                                            "a",
                                            "hello",
                                            "strength",
                                            "rhythms",
                                            "bcdfgh",
                                            "bcdfgh\n",
                                            "xy\n",
                                            "xyx",
                                            "ab",
                                            "abc",
                                            "ababababa",
                                            "abababab",
                                            "ab1",
                                            "шыт",
                                            "объъект",
                                            "ьтот",
                                            "слово",
                                            "м'ята",
                                            "дім-дім",
                                            "Hello",
                                            "NYC",
                                            "ПДФ",
                                            "ПРИВЕТЫ",
                                            "ещёъ",
                                            "xqz",
                                            "avq",
                                            "wv",
                                            "😀x",
                                            "x😀",
                                            "ы\xffж",
                                            "ǅX",
                                            "bcdfghjklmnpqrstvwxzbcdfghjklmnpqrstvwxz",
                                            "приветприветприветприветприветпривет",
                                            "x",
                                            "xx",
                                            "xxx"};
    for (const auto& list : lists) {
        std::vector<CompiledRegex> patterns;
        for (const std::string& pattern : list) {
            patterns.push_back(*CompiledRegex::compile(pattern));
        }
        const CompiledRegex::AnyOf together(patterns);
        for (const std::string& text : texts) {
            const CompiledRegex::Subject subject(text);
            bool alone = false;
            for (const CompiledRegex& pattern : patterns) {
                alone = alone || pattern.find(subject);
            }
            EXPECT_EQ(together.find(subject), alone) << list.front() << " … in " << text;
        }
    }
}
