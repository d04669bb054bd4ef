// SPDX-License-Identifier: GPL-3.0-or-later
#include "../TempHome.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/FastJson.h"
#include "KeyvaneCore/UserDataFile.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace keyvane;
using keyvane::testing::TempHome;

TEST(AtomicWrite, AFailingWriteLeavesThePreviousFileWhole) {
    TempHome home;
    const std::string path = home.path() + "/prefs.json";
    ASSERT_TRUE(AtomicFile::writeAtomically(path, "{\"previous\": true}\n"));

    // A child process whose file-size limit makes the disk "full" after 16 bytes.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::string error;
        bool written = AtomicFile::writeAtomically(path, std::string(4096, 'x'), &error);
        ::_exit(!written && !error.empty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failed save must report failure";
    EXPECT_EQ(AtomicFile::read(path), "{\"previous\": true}\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.path()), {}), 1);
}

TEST(AtomicWrite, TemporariesOfAKilledSaveAreClearedOnceStale) {
    TempHome home;
    home.write("data/.user_preferences.json.tmp.a1b2c3", "half");
    home.write("data/.manual_overrides.json.tmp.zzzzzz", "in progress");
    home.write("data/notes.tmp.a1b2c3", "not ours");
    home.write("data/user_preferences.json", "{}");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5);
    std::filesystem::last_write_time(home.path() + "/data/.user_preferences.json.tmp.a1b2c3", old);
    std::filesystem::last_write_time(home.path() + "/data/notes.tmp.a1b2c3", old);
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(home.path() + "/data"), 1);
    EXPECT_FALSE(std::filesystem::exists(home.path() + "/data/.user_preferences.json.tmp.a1b2c3"));
    EXPECT_TRUE(std::filesystem::exists(home.path() + "/data/.manual_overrides.json.tmp.zzzzzz"))
        << "a save still in progress";
    EXPECT_TRUE(std::filesystem::exists(home.path() + "/data/notes.tmp.a1b2c3"));
    EXPECT_TRUE(std::filesystem::exists(home.path() + "/data/user_preferences.json"));
}

TEST(AtomicWrite, AWriterKilledMidwayNeverLeavesAPartialFile) {
    TempHome home;
    const std::string path = home.path() + "/overrides.json";
    nlohmann::json big;
    for (int i = 0; i < 20000; ++i) {
        big["exact_pairs"]["word" + std::to_string(i)] = "слово" + std::to_string(i);
    }
    const std::string contents = big.dump(2);
    ASSERT_TRUE(AtomicFile::writeAtomically(path, contents));
    for (int round = 0; round < 5; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                AtomicFile::writeAtomically(path, contents);
            }
        }
        ::usleep(20000 + 7000 * round);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        auto text = AtomicFile::read(path);
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(text->size(), contents.size()) << "round " << round;
        EXPECT_FALSE(nlohmann::json::parse(*text, nullptr, false).is_discarded());
    }
}

TEST(DeveloperLog, LivesInADirectoryOfTheUsersOwn) {
    TempHome home;
    EXPECT_EQ(CoreLog::logPath(), home.path() + "/.local/state/keyvane/keyvane.log");
    ::setenv("XDG_RUNTIME_DIR", (home.path() + "/run").c_str(), 1);
    EXPECT_EQ(CoreLog::logPath(), home.path() + "/run/keyvane/keyvane.log");
    // Made private whatever the umask says.
    const mode_t previous = ::umask(0);
    ASSERT_TRUE(CoreLog::appendLine(CoreLog::logPath(), "[Keyvane] line"));
    ::umask(previous);
    ::unsetenv("XDG_RUNTIME_DIR");
    struct stat info {};
    ASSERT_EQ(::stat((home.path() + "/run/keyvane").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((home.path() + "/run/keyvane/keyvane.log").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(DeveloperLog, WritesOnlyWhenSwitchedOnIntoAFileMadePrivate) {
    TempHome home;
    DebugLog::setEnabled(false);
    const auto before = AtomicFile::read(CoreLog::logPath());
    coreLog("[Keyvane] typed text that must not be kept");
    EXPECT_EQ(AtomicFile::read(CoreLog::logPath()), before) << "the log is off: nothing is written";

    // A log left readable by others is made private.
    const std::string path = home.path() + "/keyvane.log";
    home.write("keyvane.log", "[old] line\n");
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    ASSERT_TRUE(CoreLog::appendLine(path, "[Keyvane] first"));
    ASSERT_TRUE(CoreLog::appendLine(path, "[Keyvane] second"));
    std::string text = home.read("keyvane.log");
    EXPECT_EQ(text.find("[old] line\n["), 0u);
    EXPECT_NE(text.find("] [Keyvane] first\n["), std::string::npos);
    EXPECT_EQ(text.find("Z] [Keyvane] second\n"), text.size() - std::string("Z] [Keyvane] second\n").size());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_TRUE(CoreLog::truncate(path));
    EXPECT_EQ(home.read("keyvane.log"), "");
}

TEST(DeveloperLog, RefusesALinkAHardLinkOrAFifoWithAReaderAtItsPath) {
    TempHome home;
    const std::string victim = home.path() + "/victim.txt";
    home.write("victim.txt", "secret\n");
    const std::string linkPath = home.path() + "/keyvane.log";
    ASSERT_EQ(::symlink(victim.c_str(), linkPath.c_str()), 0);
    EXPECT_FALSE(CoreLog::appendLine(linkPath, "[Keyvane] typed text"));
    EXPECT_EQ(home.read("victim.txt"), "secret\n");

    // Truncating replaces the link itself and never empties the file it points to.
    EXPECT_TRUE(CoreLog::truncate(linkPath));
    EXPECT_EQ(home.read("victim.txt"), "secret\n");
    EXPECT_FALSE(std::filesystem::is_symlink(linkPath));

    // A hard link to a file elsewhere is a regular file of this user, but writing would change
    // the other file.
    const std::string hardLinkPath = home.path() + "/hard.log";
    ASSERT_EQ(::link(victim.c_str(), hardLinkPath.c_str()), 0);
    EXPECT_FALSE(CoreLog::appendLine(hardLinkPath, "[Keyvane] typed text"));
    EXPECT_EQ(home.read("victim.txt"), "secret\n");

    // A FIFO that someone reads: typed text would flow to them.
    const std::string fifoPath = home.path() + "/fifo.log";
    ASSERT_EQ(::mkfifo(fifoPath.c_str(), 0600), 0);
    const int reader = ::open(fifoPath.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(CoreLog::appendLine(fifoPath, "[Keyvane] typed text"));
    char buffer[64];
    EXPECT_LE(::read(reader, buffer, sizeof buffer), 0) << "nothing reached the reader";
    ::close(reader);
}

TEST(DeveloperLog, RefusesAFileOfAnotherUserAtItsPath) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can give a file away to test the ownership check";
    }
    TempHome home;
    const std::string foreign = home.path() + "/foreign.log";
    home.write("foreign.log", "");
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    EXPECT_FALSE(CoreLog::appendLine(foreign, "[Keyvane] typed text"));
    EXPECT_EQ(home.read("foreign.log"), "");
}

TEST(DeveloperLog, StartsOnlyWithTheDeveloperMarkerAndThenStartsEmpty) {
    TempHome home;
    const std::string path = home.path() + "/keyvane.log";
    home.write("keyvane.log", "[old] line\n");
    DebugLog::switchAtStartup(true, path);
    EXPECT_FALSE(DebugLog::isEnabled()) << "no marker file: the preference alone does not switch the log on";
    EXPECT_EQ(home.read("keyvane.log"), "[old] line\n");

    home.write(".keyvane_dev", "");
    DebugLog::switchAtStartup(false, path);
    EXPECT_FALSE(DebugLog::isEnabled());
    DebugLog::switchAtStartup(true, path);
    EXPECT_TRUE(DebugLog::isEnabled());
    EXPECT_EQ(home.read("keyvane.log"), "");
    DebugLog::setEnabled(false);
}

TEST(JsonFiles, NestingIsRefusedOneLevelBeyondItsBoundEvenWhenCommentsHideItsBrackets) {
    const std::string deep = std::string(100, '[') + std::string(100, ']');
    std::string error;
    EXPECT_FALSE(UserDataFile::parse(deep, &error).has_value());
    EXPECT_NE(error.find("nested deeper than 64"), std::string::npos) << error;

    // Closing brackets in comments must not be counted against the real ones.
    EXPECT_FALSE(UserDataFile::parse("/* " + std::string(100, ']') + " */" + deep).has_value());
    EXPECT_FALSE(UserDataFile::parse("// " + std::string(100, '}') + "\n" + deep).has_value());

    // Brackets in comments and strings do not count either way.
    auto commented = UserDataFile::parse("{\"a\": \"[[[[\", // [[[[\n /* {{{{ */ \"b\": [1]}");
    ASSERT_TRUE(commented.has_value());
    EXPECT_EQ((*commented)["b"][0], 1);

    // Nesting is taken up to its bound and refused one level beyond; objects count as arrays do.
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(UserDataFile::parse(nested(UserDataFile::maxDepth)).has_value());
    EXPECT_FALSE(UserDataFile::parse(nested(UserDataFile::maxDepth + 1)).has_value());
    std::string objects;
    for (int i = 0; i < UserDataFile::maxDepth; ++i) {
        objects += "{\"a\": ";
    }
    objects += "1" + std::string(UserDataFile::maxDepth, '}');
    EXPECT_TRUE(UserDataFile::parse(objects).has_value());
    EXPECT_FALSE(UserDataFile::parse("[" + objects + "]").has_value());
}

TEST(UserDataLock, ALinkPlantedAtTheLockFileIsNotFollowed) {
    TempHome home;
    // Followed, the link would create a file of the attacker's choosing, in the user's name.
    const std::string target = home.path() + "/made-through-the-link";
    const std::string file = home.path() + "/manual_overrides.json";
    ASSERT_EQ(::symlink(target.c_str(), (file + ".lock").c_str()), 0);
    { UserDataFile::Lock lock(file); }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(std::filesystem::is_symlink(file + ".lock"));
}

namespace {

// Equal values of equal kinds all the way down (== alone takes 5 and 5u and 5.0 for one value).
bool sameDocument(const nlohmann::json& a, const nlohmann::json& b) {
    if (a.type() != b.type()) {
        return false;
    }
    if (a.is_array()) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameDocument);
    }
    if (a.is_object()) {
        if (a.size() != b.size()) {
            return false;
        }
        for (auto it = a.begin(); it != a.end(); ++it) {
            if (!b.contains(it.key()) || !sameDocument(it.value(), b[it.key()])) {
                return false;
            }
        }
        return true;
    }
    return a == b;
}

} // namespace

TEST(JsonFiles, TheFastReaderGivesTheOrdinaryReadersDocument) {
    const std::vector<std::string> texts = {
        R"({"small": 5, "negative": -3, "zero": 0, "fraction": 1.5, "exponent": 1e3, "max": 18446744073709551615,
            "min": -9223372036854775808, "text": "\u0416\ud83d\ude00 ё", "yes": true, "no": null,
            "nested": [[], {}, [1, [2, {"x": "y"}]]]})",
        R"({"a": 1, "a": 2})", // a repeated key: the last one counts
        R"([1, 2.0, "3"])",
        *AtomicFile::read(KEYVANE_RULES_FILE),
    };
    for (const std::string& text : texts) {
        auto fast = FastJson::parse(text);
        ASSERT_TRUE(fast.has_value()) << text.substr(0, 80);
        EXPECT_TRUE(sameDocument(*fast, nlohmann::json::parse(text))) << text.substr(0, 80);
    }
    // What strict JSON does not allow is left to the ordinary reader, which takes or explains it.
    for (const char* text :
         {"{\"a\": 1, // note\n \"b\": 2}", "{\"a\": [1, 2,]}", "{\"a\": 1e999}", "\"\xff\"", ""}) {
        EXPECT_FALSE(FastJson::parse(text).has_value()) << text;
    }
    EXPECT_TRUE(UserDataFile::parse("{\"a\": 1, // note\n \"b\": 2}").has_value());
}
