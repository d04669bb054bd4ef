// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real keyvane executable, as a developer would, in a scratch working directory.

#include "../KeyvaneCore/EngineTestConfig.h"
#include "../TempHome.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using keyvane::testing::TempHome;
using nlohmann::json;

namespace {

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs keyvane with args in dir; stdout and stderr go to files so that large reports never block.
Result runKeyvane(const std::vector<std::string>& args, const std::string& dir,
                  rlim_t fileSizeLimit = RLIM_INFINITY) {
    const std::string outPath = dir + "/.stdout";
    const std::string errPath = dir + "/.stderr";
    pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(dir.c_str()) != 0) {
            ::_exit(127);
        }
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        ::unsetenv("DISPLAY"); // never the live program on the tester's screen
        rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<char*> argv{const_cast<char*>(KEYVANE_EXECUTABLE)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(KEYVANE_EXECUTABLE, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, contents(outPath), contents(errPath)};
}

// A scratch home that is also the working directory, with the test rules in ./Resources, which
// every command-line run there names.
struct Workspace {
    TempHome home;
    Workspace() { home.write("Resources/keyvane_rules.json", keyvane::testing::testRules().dump()); }
    const std::string& dir() const { return home.path(); }
    Result run(std::vector<std::string> args) const {
        const bool commandLine = std::any_of(args.begin(), args.end(), [](const std::string& a) {
            return a == "-file" || a == "-input" || a == "-type" || a == "-language";
        });
        if (commandLine) {
            args.insert(args.end(), {"-rules", "Resources/keyvane_rules.json"});
        }
        return runKeyvane(args, dir());
    }
};

// Whether text holds part; shows the text when it does not.
::testing::AssertionResult holds(const char*, const char*, const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "\"" << part << "\" is not in:\n" << text;
}
#define EXPECT_HOLDS(text, part) EXPECT_PRED_FORMAT2(holds, text, part)

} // namespace

TEST(ProgramOptions, HelpAndVersionAnswerAnUnknownOptionExitsTwoAndTheLiveProgramNeedsADisplay) {
    Workspace ws;
    Result help = ws.run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: keyvane", 0), 0u);
    EXPECT_HOLDS(help.out, "-minLength N");
    Result version = ws.run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("keyvane 0.", 0), 0u) << version.out;
    // A misspelt request, an option of another program, and a developer option without one of the
    // four that enter command-line mode (-file, -input, -type, -language): the live program takes
    // none of the developer ones.
    for (const std::string option : {"--pasue", "--display", "-validation"}) {
        Result unknown = ws.run({option, "normal"});
        EXPECT_EQ(unknown.status, 2) << option;
        EXPECT_TRUE(unknown.out.empty());
        EXPECT_EQ(unknown.err.rfind("keyvane: unknown option \"" + option + "\"\nUsage: keyvane [", 0), 0u)
            << unknown.err;
    }
    // With no options at all the live program starts, which needs an X display.
    ::unsetenv("WAYLAND_DISPLAY");
    Result live = ws.run({});
    EXPECT_EQ(live.status, 1);
    EXPECT_EQ(live.err.rfind("Keyvane needs an X11 session", 0), 0u) << live.err;
    // On Wayland without X it says how to have it correct there: inside fcitx5.
    ::setenv("WAYLAND_DISPLAY", "wayland-7", 1);
    live = ws.run({});
    ::unsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(live.status, 1);
    EXPECT_HOLDS(live.err, "apt install fcitx5 keyvane-fcitx5");
}

TEST(CommandLineOptions, EveryErrorIsOneLineOnStandardErrorAndStatusOne) {
    Workspace ws;
    ws.home.write("text.txt", "hello");
    const std::string types = ". Supported values: test, learn, harvest_ngrams, harvest_words, roundtrip.\n";
    const std::string languages = ". Supported values: en, ru, uk.\n";
    const std::string integer = ". Expected a non-negative integer.\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-type", "test"}, "Error: either -file <path> or -input \"<string>\" is required.\n"},
        {{"-file", "missing.txt"}, "Error: File not found: missing.txt\n"},
        {{"-file"}, "Error: Missing value for -file.\n"},
        {{"-file", "text.txt", "-minLength", "-1"}, "Error: Missing value for -minLength.\n"},
        {{"-file", "text.txt", "-bogus", "1"}, "Error: Unknown argument '-bogus'.\n"},
        {{"-file", "text.txt", "-type", "Test"}, "Error: Unsupported type 'Test'" + types},
        {{"-file", "text.txt", "-language", "EN"}, "Error: Unsupported language 'EN'" + languages},
        {{"-file", "text.txt", "-languages", "ru, ,uk"}, "Error: Unsupported language ''" + languages},
        {{"-file", "text.txt", "-session", "de"}, "Error: Unsupported language 'de'" + languages},
        {{"-file", "text.txt", "-validation", "strict"},
         "Error: Unsupported validation 'strict'. Supported values: normal, reverse.\n"},
        {{"-file", "text.txt", "-unique", " yes"},
         "Error: Unsupported value ' yes' for -unique. Supported values: true, false.\n"},
        {{"-file", "text.txt", "-minLength", "3x"}, "Error: Unsupported value '3x' for -minLength" + integer},
        {{"-file", "text.txt", "-minLength", "99999999999"},
         "Error: Unsupported value '99999999999' for -minLength" + integer},
        // What was given is shown, but never as a second line or a terminal escape.
        {{"-file", "text.txt", "-type", "a\nb\x1b[31m"}, "Error: Unsupported type 'a\\nb\\x1B[31m'" + types},
    };
    for (const auto& [args, message] : cases) {
        Result r = ws.run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, message);
        EXPECT_EQ(r.out, "");
    }
    // Accepted spellings.
    EXPECT_EQ(ws.run({"-file", "text.txt", "-unique", "YES", "-minLength", "+5", "-session", " EN "}).status,
              0);
}

TEST(CommandLineEngine, TheProgramsOwnRulesAreUsedFromAnyDirectoryWhateverRulesLieThere) {
    TempHome shared; // no Resources here, then another user's shared directory with rules of their own
    for (int round = 0; round < 2; ++round) {
        Result r = runKeyvane({"-input", "ghbdtn", "-languages", "en,ru"}, shared.path());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_HOLDS(r.out, "ghbdtn → привет");
        shared.write("Resources/keyvane_rules.json", "{broken");
    }
}

TEST(CommandLineEngine, ARulesFileNamedThatCannotBeReadIsRefusedAtOnce) {
    Workspace ws;
    ws.home.write("Resources/keyvane_rules.json", "{broken");
    Result r = ws.run({"-input", "ghbdtn"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Error: Cannot load rules config. Tried: Resources/keyvane_rules.json\n");
    // A FIFO would block a reader forever; nesting that would exhaust the stack is refused too.
    std::filesystem::remove(ws.dir() + "/Resources/keyvane_rules.json");
    ASSERT_EQ(::mkfifo((ws.dir() + "/Resources/keyvane_rules.json").c_str(), 0600), 0);
    EXPECT_EQ(ws.run({"-input", "ghbdtn"}).status, 1);
    std::filesystem::remove(ws.dir() + "/Resources/keyvane_rules.json");
    ws.home.write("Resources/keyvane_rules.json",
                  "{\"x\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
    r = ws.run({"-input", "ghbdtn"});
    EXPECT_EQ(r.status, 1);
    EXPECT_HOLDS(r.err, "Cannot load rules config");
}

TEST(CommandLineEngine, ATextThatIsAFifoOrADirectoryIsRefusedAtOnce) {
    Workspace ws;
    ASSERT_EQ(::mkfifo((ws.dir() + "/text.txt").c_str(), 0600), 0);
    Result text = ws.run({"-file", "text.txt"});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err,
              "Error: Cannot read text.txt: it is no regular file (a FIFO, a socket or a device)\n");
    // A directory is named as what it is, not as a text that is not UTF-8.
    std::filesystem::create_directories(ws.dir() + "/texts");
    EXPECT_EQ(ws.run({"-file", "texts"}).err, "Error: Cannot read texts: it is a directory\n");
}

TEST(VerificationRun, ReportsWordsTheEngineWouldSwitchOrInReverseModeMissed) {
    Workspace ws;
    ws.home.write("text.txt", "Ghbdtn, rfr ltkf? hello world ghbdtn");
    Result r = ws.run({"-file", "text.txt", "-languages", "en,ru,uk"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("\n\n") + 2), "Keyvane verification report\nFile: text.txt\nMode: "
                                                       "test\nValidation: normal\nExpected language: en\n\n");
    EXPECT_HOLDS(r.out, "Candidate #1\nOriginal: Ghbdtn\nSuggested: Привет\nDirection: RU_TYPED_AS_EN\n"
                        "Expected language: en\nReason: high confidence layout match\nConfidence: ");
    EXPECT_HOLDS(r.out, "Original: ghbdtn\nSuggested: привет");
    EXPECT_EQ(r.out.find("Original: hello"), std::string::npos);
    EXPECT_HOLDS(r.out, "Total words processed: 6\nCandidates found: ");

    Result ukrainian = ws.run({"-file", "text.txt", "-language", "uk", "-languages", "en,ru,uk"});
    EXPECT_HOLDS(ukrainian.out,
                 "No switch candidates found.\n\nTotal words processed: 6\nCandidates found: 0\n");

    // Reverse mode counts the words the engine missed. With only English active nothing is
    // switched, so every Russian word typed in Latin is missed.
    ws.home.write("text.txt", "ghbdtn Ghbdtn vbh ,skj ok");
    r = ws.run({"-file", "text.txt", "-validation", "reverse"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_HOLDS(r.out, "MinLength: 3\nUnique: true\n");
    EXPECT_HOLDS(
        r.out,
        "False negative candidate:\nWord: ghbdtn\nExpected: привет\nExpectedDirection: RU_TYPED_AS_EN\n"
        "ActualDecision: ignored\n");
    EXPECT_HOLDS(r.out, "Count: 2\n");
    EXPECT_HOLDS(r.out, "Word: ,skj\nExpected: было\n");
    EXPECT_HOLDS(
        r.out, "Total words processed: 5\nFalse negative candidates found: 3 unique (4 total occurrences)\n");
}

TEST(RoundTrip, WritesReportAndFailuresAndPrintsTheSummary) {
    Workspace ws;
    ws.home.write("ru.txt", "Привет, как дела? Спасибо! привет мир добрый вы");
    Result r = ws.run({"-file", "ru.txt", "-type", "roundtrip", "-language", "ru", "-languages", "en,ru"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_HOLDS(r.out, "Unique in-script words tested: 7\n");
    EXPECT_HOLDS(r.out, "=== ru typed on en layout  (ru->en) ===");
    EXPECT_HOLDS(r.out, "Artifacts:\n  JSON: " + ws.dir() + "/roundtrip-report_ru.json\n  CSV : " + ws.dir() +
                            "/roundtrip-fails_ru.csv\n");
    json report = json::parse(ws.home.read("roundtrip-report_ru.json"));
    const json& cell = report["cells"]["ru->en"];
    EXPECT_EQ(report["uniqueWords"], 7);
    EXPECT_EQ(cell["total"], 7);
    EXPECT_EQ(cell["correct"].get<int>() + cell["wrong"].get<int>() + cell["missed"].get<int>(), 7);
    EXPECT_GE(cell["correct"].get<int>(), 5);
    std::string csv = ws.home.read("roundtrip-fails_ru.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "source_lang,typed_layout,outcome,original,rendered,corrected,winning_lang,reason");
    EXPECT_NE(csv.back(), '\n');

    // English is always active, so English text alone has nothing to be re-typed on.
    ws.home.write("en.txt", "hello world");
    Result alone = ws.run({"-file", "en.txt", "-type", "roundtrip"});
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err, "Error: No other active languages to render 'en' into. active_languages=[\"en\"]\n");
}

TEST(InputDiagnostic, ExplainsEachWordAndItsDecision) {
    Workspace ws;
    Result r = ws.run({"-input", "-ghbdtn, hello", "-languages", "en,ru"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* part :
         {"Tokens: 2\n", "WORD #1/2: \"-ghbdtn,\"", "  Trailing punct.             : \",\"\n",
          "WORD #2/2: \"hello\"", "─── ORIGINAL SCORING (lang=en) ─",
          "  Decision                    : IGNORED\n"}) {
        EXPECT_HOLDS(r.out, part);
    }

    Result switched = ws.run({"-input", "ghbdtn", "-languages", "en,ru"});
    EXPECT_HOLDS(switched.out, "  Decision                    : SWITCHED\n  Reason                      : "
                               "layout_mismatch\n  Result                      : ghbdtn → привет\n");
    EXPECT_EQ(ws.run({"-input", "   "}).out, "No tokens found in input.\n");

    // The priority shown is the order the engine used (-languages), whatever the preferences say.
    ws.home.write(".local/share/keyvane/user_preferences.json",
                  R"({"active_languages": ["en", "ru", "uk"]})");
    Result ordered = ws.run({"-input", "vskj", "-languages", "en,uk,ru"});
    EXPECT_HOLDS(ordered.out, "Priority penalty uk (idx=1) : 0.00");
    EXPECT_HOLDS(ordered.out, "Priority penalty ru (idx=2) : -12.00");
}

TEST(SelfTest, ShippedRulesFilePassesEveryGoldenTestAndConversionCheck) {
    TempHome home;
    Result r = runKeyvane({"--test"}, home.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("Running golden tests...\n\n", 0), 0u);
    EXPECT_EQ(r.out.find("✗"), std::string::npos) << r.out;
}

TEST(Harvesters, WordFrequenciesOfACorpusReadInPiecesWithoutCuttingAWordOrLosingTheLastLine) {
    Workspace ws;
    std::string corpus;
    for (int i = 0; i < 6; ++i) {
        corpus += "Привет, мир! привет друг. ";
    }
    corpus += "редкое слово а я";
    ws.home.write("ru.txt", corpus);
    Result r = ws.run({"-file", "ru.txt", "-type", "harvest_words", "-language", "ru", "-minLength", "0"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Most frequent first, ties by word; rare and one-letter words left out; the list not re-sorted.
    EXPECT_EQ(ws.home.read("word-harvest_ru.json"),
              "{\n  \"languages\": {\n    \"ru\": {\n      \"common_words\": [\n        \"привет\",\n        "
              "\"друг\",\n"
              "        \"мир\"\n      ]\n    }\n  }\n}\n");
    EXPECT_HOLDS(r.out, "Min word length: 2   Min word count: 5   Top N: 3000\n");
    EXPECT_HOLDS(r.out, "  привет           12\n");

    // Ukrainian words keep their apostrophe, whichever one was typed.
    ws.home.write("uk.txt", "п'ять п’ять пʼять п'ять п'ять 'цитата' п'");
    Result uk = ws.run({"-file", "uk.txt", "-type", "harvest_words", "-language", "uk"});
    ASSERT_EQ(uk.status, 0) << uk.err;
    EXPECT_NE(ws.home.read("word-harvest_uk.json").find("\"п'ять\""), std::string::npos);
    EXPECT_EQ(ws.home.read("word-harvest_uk.json").find("\"ять\""), std::string::npos);

    // A text is read in pieces without cutting a word or losing the last line: one line of 1.6 MB, longer
    // than any piece the reader holds, without a final line break.
    std::string line;
    const int repeats = 120000;
    for (int i = 0; i < repeats; ++i) {
        line += i == 0 ? "привет" : " привет";
    }
    ws.home.write("long.txt", "мир мир мир мир мир\n" + line);
    r = ws.run({"-file", "long.txt", "-type", "harvest_words", "-language", "ru"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_HOLDS(r.out, "Unique words observed: 2\n");
    EXPECT_HOLDS(r.out, "  привет           " + std::to_string(repeats) + "\n");

    // A text that is not UTF-8 only at its very end is refused before anything is reported.
    ws.home.write("broken.txt", line + "\n\xd0");
    Result broken = ws.run({"-file", "broken.txt", "-type", "harvest_words", "-language", "ru"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "Error: Failed to read file as UTF-8: broken.txt\n");
    EXPECT_EQ(broken.out, "");
}

TEST(Harvesters, AFullDiskIsAnErrorNotADeath) {
    Workspace ws;
    // Five hundred different Russian words, five times each: a report of several kilobytes.
    std::string words;
    for (int word = 0; word < 500; ++word) {
        std::string w = "с";
        for (int k = word; k > 0; k /= 7) {
            w += std::string("абвгдеж").substr(static_cast<std::size_t>(k % 7) * 2, 2);
        }
        for (int i = 0; i < 5; ++i) {
            words += w + "лово ";
        }
    }
    ws.home.write("ru.txt", words);
    // A file-size limit below the report's size: the write fails, the program says so and lives.
    Result r = runKeyvane({"-file", "ru.txt", "-type", "harvest_words", "-language", "ru"}, ws.dir(), 2048);
    EXPECT_EQ(r.status, 1);
    EXPECT_HOLDS(r.err, "Error: Failed to write");
}
