// SPDX-License-Identifier: GPL-3.0-or-later
#include "../TempHome.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/UserPreferences.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;

namespace {
const std::string preferencesPath = ".local/share/keyvane/user_preferences.json";
}

// Each test has a home of its own, with the preferences file at its usual place in it.
class UserPreferencesFile : public ::testing::Test {
protected:
    TempHome home;
    const std::string path = home.path() + "/" + preferencesPath;
};

TEST_F(UserPreferencesFile, ADamagedFileIsKeptAsideAndWhatCanBeReadOfItIsUsed) {
    // A hand edit that left a trailing comma: the exclusion must survive it.
    const std::string handEdited = R"({"active_languages": ["en", "ru"],
        "excluded_apps": {"org.gnome.Terminal": {"name": "Terminal"}},})";
    home.write(preferencesPath, handEdited);
    const UserPreferences prefs = UserPreferences::load(path);
    EXPECT_EQ(prefs.activeLanguages, (std::vector<std::string>{"en", "ru"}));
    EXPECT_TRUE(prefs.excludedApps.contains("org.gnome.Terminal"));
    const auto kept = home.siblings(preferencesPath, ".damaged-");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(home.read(kept.front()), handEdited);
    EXPECT_EQ(std::filesystem::status(kept.front()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    // What was read of it stays for every later reader, and the start-up reconciliation may save.
    EXPECT_EQ(UserPreferences::load(path), prefs);
    EXPECT_TRUE(UserPreferences::save(prefs, path));
    EXPECT_EQ(UserPreferences::load(path), prefs);

    // Nothing readable: the defaults, and the file is kept beside the first one.
    for (const std::string damaged : {"[1, 2]", "\xff\xfe"}) {
        home.write(preferencesPath, damaged);
        EXPECT_EQ(UserPreferences::load(path), UserPreferences::empty()) << damaged;
    }
    EXPECT_EQ(home.siblings(preferencesPath, ".damaged-").size(), 3u) << "no kept copy is overwritten";
}

TEST_F(UserPreferencesFile, EachEntryOfADamagedFileIsSalvagedOnItsOwn) {
    const std::string exclusions = R"("excluded_apps": {"org.a": {"name": "A"}, "org.b)"
                                   "\xff"
                                   R"(": {"name": "B"}, "org.c": {"name": "C"}})";
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"cut off mid-file", R"({"active_languages": ["en", "uk"], )" + exclusions + R"(, "launch_at_lo)"},
        {"one bad byte", R"({"active_languages": ["en", "uk"], )" + exclusions + "}"},
        {"a comment after a trailing comma",
         R"({"active_languages": ["en", "uk"], /* mine */ )" + exclusions + ", // the end\n}"},
    };
    for (const auto& [what, text] : damaged) {
        home.write(preferencesPath, text);
        const UserPreferences prefs = UserPreferences::load(path);
        EXPECT_EQ(prefs.activeLanguages, (std::vector<std::string>{"en", "uk"})) << what;
        EXPECT_TRUE(prefs.excludedApps.contains("org.a")) << what;
        EXPECT_TRUE(prefs.excludedApps.contains("org.c")) << what << ": the entry after the bad one too";
        EXPECT_EQ(prefs.excludedApps.size(), 2u) << what << ": only the unreadable one is left out";
        EXPECT_EQ(UserPreferences::load(path), prefs) << what << ": written back for every later reader";
    }
}

// On a full disk the damaged file is kept aside but what was read of it cannot be written back:
// it is still what every reader of this run gets, never the defaults.
TEST_F(UserPreferencesFile, WhatWasSalvagedIsUsedEvenWhenItCannotBeWrittenBack) {
    home.write(preferencesPath, R"({"active_languages": ["en", "uk"], "launch_at_login": false,})");
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit full{8, 8}; // no file grows beyond 8 bytes: the write-back fails
        ::setrlimit(RLIMIT_FSIZE, &full);
        const UserPreferences first = UserPreferences::load(path);
        const UserPreferences again = UserPreferences::load(path);
        const bool kept =
            first.activeLanguages == std::vector<std::string>{"en", "uk"} && !first.launchAtLogin;
        ::_exit(kept && again == first ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(home.siblings(preferencesPath, ".damaged-").size(), 1u);
}

TEST_F(UserPreferencesFile, AFileThatCannotBeReadIsNeverOverwritten) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    // A FIFO must not hang the program, and a directory where the file should be is no file.
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    ::testing::internal::CaptureStderr();
    for (int reader = 0; reader < 6; ++reader) { // as the parts of the program read it at a start
        EXPECT_EQ(UserPreferences::load(path), UserPreferences::empty());
    }
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("cannot be read"), std::string::npos);
    EXPECT_EQ(said.find("cannot be read"), said.rfind("cannot be read")) << "said once: " << said;
    EXPECT_FALSE(UserPreferences::save(UserPreferences::empty(), path));
    EXPECT_TRUE(std::filesystem::is_fifo(path));
    std::filesystem::remove(path);
    std::filesystem::create_directories(path);
    EXPECT_EQ(UserPreferences::load(path), UserPreferences::empty());
    EXPECT_FALSE(UserPreferences::save(UserPreferences::empty(), path));
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(UserPreferencesFile, WrongTypesFallBackFieldByField) {
    home.write(preferencesPath, R"({"active_languages": [" RU", "uk", "ru", ""], "launch_at_login": "yes",
        "pause_in_games": false, "debug_log": 1, "ui_language": "uk", "skipped_update_version": 3,
        "update_check_frequency": "weekly", "check_for_updates": false,
        "excluded_apps": {"org.gnome.Terminal": {"disable_manual_switching": true}, "bad": 5}})");
    UserPreferences prefs = UserPreferences::load(path);
    EXPECT_EQ(prefs.activeLanguages, (std::vector<std::string>{"en", "ru", "uk"}));
    EXPECT_TRUE(prefs.launchAtLogin);
    EXPECT_FALSE(prefs.pauseInGames);
    EXPECT_FALSE(prefs.debugLog);
    EXPECT_EQ(prefs.uiLanguage, "uk");
    EXPECT_FALSE(prefs.skippedUpdateVersion.has_value());
    EXPECT_EQ(prefs.updateCheckFrequency, UpdateCheckFrequency::never);
    ASSERT_EQ(prefs.excludedApps.size(), 1u);
    EXPECT_EQ(prefs.excludedApps.at("org.gnome.Terminal"), (AppExclusionConfig{"org.gnome.Terminal", true}));
}

TEST_F(UserPreferencesFile, ASaveThatDropsWhatTheFileHeldKeepsACopyOfItFirst) {
    const std::string original =
        R"({"active_languages": ["en", "uk"], "launch_at_login": "yes", "my_note": "keep me"})";
    home.write(preferencesPath, original);
    UserPreferences prefs = UserPreferences::load(path);
    ASSERT_TRUE(UserPreferences::save(prefs, path)); // as the start-up reconciliation does
    const auto copies = home.siblings(preferencesPath, ".replaced-");
    ASSERT_EQ(copies.size(), 1u)
        << "a key of a later version and a value of the wrong type are kept somewhere";
    EXPECT_EQ(home.read(copies.front()), original);
    EXPECT_EQ(UserPreferences::load(path), prefs);

    prefs.debugLog = true; // an ordinary change afterwards drops nothing: no further copy
    ASSERT_TRUE(UserPreferences::save(prefs, path));
    EXPECT_EQ(home.siblings(preferencesPath, ".replaced-").size(), 1u);
}

TEST_F(UserPreferencesFile, SavesTheWholeRecordSortedAndReadsItBack) {
    home.write(preferencesPath, R"({"update_check_frequency": "15m", "unknown_key": 1})");
    UserPreferences prefs = UserPreferences::load(path);
    EXPECT_EQ(prefs.updateCheckFrequency, UpdateCheckFrequency::hourly);
    prefs.activeLanguages = {"uk", "ru"};
    ASSERT_TRUE(UserPreferences::save(prefs, path));

    auto saved = nlohmann::json::parse(home.read(preferencesPath));
    EXPECT_EQ(saved["update_check_frequency"], "1h");
    EXPECT_EQ(saved["active_languages"], nlohmann::json({"en", "uk", "ru"}));
    EXPECT_FALSE(saved.contains("unknown_key"));
    EXPECT_FALSE(saved.contains("skipped_update_version"));
    EXPECT_EQ(home.read(preferencesPath), saved.dump(2) + "\n"); // pretty-printed, keys sorted

    prefs.updateCheckFrequency = UpdateCheckFrequency::never;
    prefs.skippedUpdateVersion = "1.2";
    ASSERT_TRUE(UserPreferences::save(prefs, path));
    saved = nlohmann::json::parse(home.read(preferencesPath));
    EXPECT_EQ(saved["check_for_updates"], false);
    EXPECT_EQ(UserPreferences::load(path).skippedUpdateVersion, "1.2");
}

TEST(AppPathsLocations, FollowTheHomeAndXdgDataDirectory) {
    TempHome home;
    EXPECT_EQ(AppPaths::userPreferencesPath(), home.path() + "/.local/share/keyvane/user_preferences.json");
    EXPECT_TRUE(std::filesystem::is_directory(home.path() + "/.local/share/keyvane"));
    EXPECT_EQ(AppPaths::configHome(), home.path() + "/.config");
    EXPECT_EQ(AppPaths::stateDir(), home.path() + "/.local/state/keyvane");
    ::setenv("XDG_DATA_HOME", (home.path() + "/data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home.path() + "/conf").c_str(), 1);
    EXPECT_EQ(AppPaths::manualOverridesPath(), home.path() + "/data/keyvane/manual_overrides.json");
    EXPECT_EQ(AppPaths::configHome(), home.path() + "/conf");
    // A relative value is no base directory: the default applies.
    ::setenv("XDG_CONFIG_HOME", "conf", 1);
    EXPECT_EQ(AppPaths::configHome(), home.path() + "/.config");
}

TEST(AppPathsLocations, ShippedFilesAreNeverTakenFromTheDirectoryTheProgramStartsIn) {
    // Another user's shared directory holding rules of their own and an empty password-prompt list.
    TempHome home;
    const std::string shared = home.path() + "/shared";
    std::filesystem::create_directories(shared + "/Resources");
    for (const char* name : {"keyvane_rules.json", "secure_prompts.json", "vocabulary_en.marisa"}) {
        std::ofstream(shared + "/Resources/" + name) << "{}";
    }
    const std::filesystem::path started = std::filesystem::current_path();
    std::filesystem::current_path(shared);
    const auto rules = AppPaths::rulesFileCandidates();
    const auto prompts = AppPaths::shippedFileCandidates("secure_prompts.json");
    const auto vocabulary = AppPaths::vocabularyPath("en");
    std::filesystem::current_path(started);
    for (const auto& candidates : {rules, prompts}) {
        ASSERT_FALSE(candidates.empty());
        for (const std::string& candidate : candidates) {
            EXPECT_EQ(candidate.find(shared), std::string::npos) << candidate;
        }
    }
    EXPECT_TRUE(!vocabulary || vocabulary->find(shared) == std::string::npos) << *vocabulary;
}
