// SPDX-License-Identifier: GPL-3.0-or-later
// The user's manual overrides file: created from the seed, topped up, changed under its lock and
// never lost when damaged or unreadable.

#include "../TempHome.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/ManualOverridesMerge.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;
using nlohmann::json;

namespace {
const std::string overridesPath = ".local/share/keyvane/manual_overrides.json";

// The overrides without the record of the seed entries given, which every saved file carries.
json taught(json overrides) {
    overrides.erase(ManualOverridesMerge::seedEntriesGiven);
    return overrides;
}
const json rulesWithSeed = {
    {"manual_overrides", {{"exact_pairs", {{"ghbdtn", "привет"}}}, {"never_correct", {"lol"}}}}};

bool listed(const json& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}
} // namespace

TEST(ManualOverridesFile, CreatedFromTheSeedThenToppedUpWithoutLosingUserEditsOrDeletions) {
    TempHome home;
    json first = ManualOverridesFile::load(rulesWithSeed);
    EXPECT_EQ(taught(first), rulesWithSeed["manual_overrides"]);
    EXPECT_EQ(json::parse(home.read(overridesPath)), first);

    // The user edits the seeded pair and adds a word; the seed grows.
    home.write(overridesPath, R"({"exact_pairs": {"ghbdtn": "Привет!"}, "never_correct": ["mine"]})");
    json grown = rulesWithSeed;
    grown["manual_overrides"]["exact_pairs"]["rfr"] = "как";
    json merged = ManualOverridesFile::load(grown);
    EXPECT_EQ(merged["exact_pairs"], json({{"ghbdtn", "Привет!"}, {"rfr", "как"}}));
    EXPECT_EQ(merged["never_correct"], json({"mine", "lol"}));
    EXPECT_EQ(json::parse(home.read(overridesPath)), merged);

    // A file written before it kept its record of what it was given: the seed pair and word are
    // there, nothing says they were given. The user deletes both, and an update must not bring
    // them back while its new entries come.
    home.write(overridesPath, R"({"exact_pairs": {"ghbdtn": "привет"}, "never_correct": ["lol"]})");
    json loaded = ManualOverridesFile::load(rulesWithSeed);
    EXPECT_EQ(taught(loaded), rulesWithSeed["manual_overrides"]);
    loaded["exact_pairs"] = json::object();
    loaded["never_correct"] = json::array();
    home.write(overridesPath, loaded.dump());
    grown["manual_overrides"]["never_correct"].push_back("brb");
    merged = ManualOverridesFile::load(grown);
    EXPECT_EQ(merged["exact_pairs"], json({{"rfr", "как"}}))
        << "the new pair comes, the deleted one stays away";
    EXPECT_EQ(merged["never_correct"], json({"brb"}));
    EXPECT_EQ(taught(json::parse(home.read(overridesPath))), taught(merged));
}

TEST(ManualOverridesFile, ADamagedFileIsKeptAsideAndWhatItTaughtIsKept) {
    TempHome home;
    // A hand edit with a trailing comma: the learned pair and the never-correct word survive it.
    const std::string damaged = R"({"exact_pairs": {"vbh": "мир"}, "never_correct": ["mine"],})";
    home.write(overridesPath, damaged);
    json loaded = ManualOverridesFile::load(rulesWithSeed);
    EXPECT_EQ(loaded["exact_pairs"], json({{"vbh", "мир"}, {"ghbdtn", "привет"}}));
    EXPECT_EQ(loaded["never_correct"], json({"mine", "lol"}));
    EXPECT_EQ(json::parse(home.read(overridesPath)), loaded);
    const auto kept = home.siblings(overridesPath, ".damaged-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(home.read(kept.front()), damaged); // an absolute path is read as it is

    // Nothing readable: the seed, and the damaged file is kept too.
    home.write(overridesPath, "{\"exact_pairs\": ");
    EXPECT_EQ(taught(ManualOverridesFile::load(rulesWithSeed)), rulesWithSeed["manual_overrides"]);
    EXPECT_EQ(home.siblings(overridesPath, ".damaged-").size(), 2u);
}

TEST(ManualOverridesFile, TwoCopiesSavingAtOnceLoseNothing) {
    TempHome home;
    ManualOverridesFile::load(rulesWithSeed);
    constexpr int copyCount = 6;
    constexpr int wordsPerCopy = 8;
    auto wordOf = [](int copy, int word) { return "w" + std::to_string(copy) + "-" + std::to_string(word); };
    std::vector<pid_t> children;
    for (int copy = 0; copy < copyCount; ++copy) {
        pid_t child = ::fork();
        if (child == 0) {
            for (int word = 0; word < wordsPerCopy; ++word) {
                // Another copy saving: nothing waits for it, the word is tried again.
                while (ManualOverridesFile::addNeverCorrect(wordOf(copy, word), "en") ==
                       ManualOverridesFile::Change::busy) {
                    ::usleep(1000);
                }
            }
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    const json saved = json::parse(home.read(overridesPath));
    for (int copy = 0; copy < copyCount; ++copy) {
        for (int word = 0; word < wordsPerCopy; ++word) {
            EXPECT_TRUE(listed(saved["never_correct"], wordOf(copy, word))) << wordOf(copy, word);
        }
    }
}

TEST(ManualOverridesFile, WhileAnotherProcessSavesNothingWaitsAndTheSeedMergeIsWrittenLater) {
    TempHome home;
    ManualOverridesFile::load(rulesWithSeed);
    const std::string lockPath = home.path() + "/" + overridesPath + ".lock";
    const int held = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(held, LOCK_EX), 0); // as the other process would hold it
    EXPECT_EQ(ManualOverridesFile::addNeverCorrect("mine", "en"), ManualOverridesFile::Change::busy);
    EXPECT_FALSE(ManualOverridesFile::replaceUserRules(json::object(), json::object(), {}, json::object()));
    json grown = rulesWithSeed;
    grown["manual_overrides"]["exact_pairs"]["rfr"] = "как";
    EXPECT_EQ(ManualOverridesFile::load(grown)["exact_pairs"]["rfr"], "как") << "the merge is used at once";
    EXPECT_FALSE(json::parse(home.read(overridesPath))["exact_pairs"].contains("rfr"))
        << "but not written under another's lock";
    ::close(held);
    EXPECT_EQ(ManualOverridesFile::addNeverCorrect("mine", "en"), ManualOverridesFile::Change::added);
    EXPECT_TRUE(listed(json::parse(home.read(overridesPath))["never_correct"], "mine"));
    ManualOverridesFile::load(grown);
    EXPECT_EQ(json::parse(home.read(overridesPath))["exact_pairs"]["rfr"], "как");
}

TEST(ManualOverridesFile, AWordOrPairIsAddedOnceWithItsLanguagesAndKeepsWhatIsThere) {
    TempHome home;
    home.write(overridesPath, R"({"exact_pairs": {"vbh": "мир"}, "never_correct": ["zz"], "notes": [1]})");
    using Change = ManualOverridesFile::Change;
    EXPECT_EQ(ManualOverridesFile::addNeverCorrect("ab", "en"), Change::added);
    EXPECT_EQ(ManualOverridesFile::addNeverCorrect("ab", "en"), Change::alreadyThere);
    EXPECT_EQ(ManualOverridesFile::addExactPair("ytn", "нет", "en", "ru"), Change::added);
    EXPECT_EQ(ManualOverridesFile::addExactPair("vbh", "мор", "en", "ru"), Change::alreadyThere);
    const json saved = json::parse(home.read(overridesPath));
    EXPECT_EQ(saved["exact_pairs"]["vbh"], "мир") << "a pair the user has is never replaced";
    EXPECT_EQ(saved["exact_pairs"]["ytn"], "нет");
    EXPECT_EQ(saved["exact_pairs_meta"]["ytn"], json({{"src", "en"}, {"dst", "ru"}}));
    EXPECT_TRUE(listed(saved["never_correct"], "ab"));
    EXPECT_EQ(saved["never_correct_meta"]["ab"], "en");
    EXPECT_EQ(saved["notes"], json({1}));
}
