// SPDX-License-Identifier: GPL-3.0-or-later
// The crash reporter in child processes that really crash: what the log holds afterwards, and
// that each child still dies as it would have without the reporter.

#include "Keyvane/services/CrashLogNotice.h"
#include "Keyvane/services/CrashReporter.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace keyvane;

namespace {

struct Record {
    std::string header;
    std::string detail;
    std::vector<std::string> frames;
};

// Runs `crash` in a child with the reporter installed on `logPath`; gives how the child ended. A
// child still alive after five seconds is killed (and so did not end by its own crash).
int crashChild(const std::string& logPath, const std::function<void()>& crash) {
    const pid_t child = ::fork();
    if (child == 0) {
        CrashReporter::install(logPath, CrashReporter::versionString("0.1.0", ""));
        // As in the program, nothing catches what escapes (the test framework would).
        [&crash]() noexcept { crash(); }();
        ::_exit(0);
    }
    int status = 0;
    for (int i = 0; ::waitpid(child, &status, WNOHANG) == 0; ++i) {
        if (i == 500) {
            ::kill(child, SIGKILL);
        }
        ::usleep(10'000);
    }
    return status;
}

bool killedBy(int status, int signal) {
    return WIFSIGNALED(status) && WTERMSIG(status) == signal;
}

void segfault() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

// The records of the log, each checked to be whole: any text that is not a record fails the test.
std::vector<Record> readRecords(const std::string& logPath) {
    std::ifstream in(logPath);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<Record> records;
    std::istringstream lines(text.str());
    std::string line;
    const std::string equals(68, '='), dashes(68, '-');
    while (std::getline(lines, line)) {
        if (line != equals) {
            ADD_FAILURE() << "not the start of a record: " << line;
            return records;
        }
        Record record;
        std::getline(lines, record.header);
        std::getline(lines, record.detail);
        std::getline(lines, line);
        EXPECT_EQ(line, dashes);
        while (std::getline(lines, line) && !line.empty()) {
            record.frames.push_back(line);
        }
        EXPECT_TRUE(line.empty()) << "a record without its closing empty line";
        records.push_back(record);
    }
    return records;
}

class CrashReporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/keyvane-crash-XXXXXX";
        dir_ = ::mkdtemp(pattern);
        logPath_ = dir_ + "/crash.log";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string dir_;
    std::string logPath_;
};

const std::regex header(
    R"(\[\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ\] Keyvane 0\.1\.0 \(\?\) — (fatal signal|uncaught exception))");

} // namespace

TEST_F(CrashReporterTest, EachCrashAppendsOneRecordAndStillKillsTheProcess) {
    struct Crash {
        std::function<void()> crash;
        int signal;
        std::string kind, detail;
    };
    const std::vector<Crash> crashes = {
        {segfault, SIGSEGV, "fatal signal", "signal 11 (SIGSEGV)"},
        {[] { ::raise(SIGFPE); }, SIGFPE, "fatal signal", "signal 8 (SIGFPE)"},
        {[] { std::abort(); }, SIGABRT, "fatal signal", "signal 6 (SIGABRT)"}, // a library's failed assertion
        {[] { throw std::runtime_error("the rules file vanished"); }, SIGABRT, "uncaught exception",
         "std::runtime_error: the rules file vanished"},
        {[] { throw 42; }, SIGABRT, "uncaught exception", "int: nil"},
    };
    for (const Crash& crash : crashes) {
        EXPECT_TRUE(killedBy(crashChild(logPath_, crash.crash), crash.signal)) << crash.detail;
    }
    // One record each, the earlier ones kept: the abort that ends an uncaught exception adds none.
    const std::vector<Record> records = readRecords(logPath_);
    ASSERT_EQ(records.size(), crashes.size());
    for (std::size_t i = 0; i < crashes.size(); ++i) {
        std::smatch kind;
        EXPECT_TRUE(std::regex_match(records[i].header, kind, header)) << records[i].header;
        EXPECT_EQ(kind.str(1), crashes[i].kind);
        EXPECT_EQ(records[i].detail, crashes[i].detail);
        EXPECT_FALSE(records[i].frames.empty()) << crashes[i].detail;
    }
    // The frames start where the signal came in (the C library's return from the handler), not in
    // the reporter's own code.
    EXPECT_NE(records[0].frames[0].find("libc.so"), std::string::npos) << records[0].frames[0];
}

TEST_F(CrashReporterTest, TwoThreadsCrashingAtOnceLeaveWholeRecords) {
    const auto twoThreadsCrash = [] {
        std::atomic<int> ready{0};
        auto crash = [&ready] {
            ready.fetch_add(1);
            while (ready.load() < 2) {
            }
            segfault();
        };
        std::thread other(crash);
        crash();
        other.join();
    };
    for (int run = 0; run < 5; ++run) {
        EXPECT_TRUE(killedBy(crashChild(logPath_, twoThreadsCrash), SIGSEGV));
    }
    const std::vector<Record> records = readRecords(logPath_);
    EXPECT_GE(records.size(), 5u);
    for (const Record& record : records) {
        EXPECT_EQ(record.detail, "signal 11 (SIGSEGV)");
    }
}

TEST_F(CrashReporterTest, ALogThatCannotBeWrittenNeitherSpeaksNorHoldsUpTheCrash) {
    const std::string unwritable = dir_ + "/no such directory/crash.log";
    EXPECT_TRUE(killedBy(crashChild(unwritable, [] { ::raise(SIGBUS); }), SIGBUS));
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/no such directory"));
    // A FIFO in place of the log: the crashing process does not wait for a reader.
    ASSERT_EQ(::mkfifo(logPath_.c_str(), 0600), 0);
    EXPECT_TRUE(killedBy(crashChild(logPath_, [] { ::raise(SIGSEGV); }), SIGSEGV));
}

TEST_F(CrashReporterTest, ACrashIsToldAtTheNextStartOnlyAndOnlyWhatIsNew) {
    const std::string settings = dir_ + "/Keyvane.conf";
    EXPECT_FALSE(CrashLogNotice::takeNewRecords(logPath_, settings)); // no log at all
    crashChild(logPath_, [] { ::raise(SIGILL); });
    std::optional<QString> news = CrashLogNotice::takeNewRecords(logPath_, settings);
    ASSERT_TRUE(news.has_value());
    EXPECT_NE(news->indexOf("signal 4 (SIGILL)"), -1);
    EXPECT_FALSE(CrashLogNotice::takeNewRecords(logPath_, settings)); // told once

    crashChild(logPath_, [] { ::raise(SIGTRAP); });
    news = CrashLogNotice::takeNewRecords(logPath_, settings);
    ASSERT_TRUE(news.has_value());
    EXPECT_EQ(news->indexOf("SIGILL"), -1);
    EXPECT_NE(news->indexOf("signal 5 (SIGTRAP)"), -1);

    std::filesystem::resize_file(logPath_, 0); // emptied by the user
    EXPECT_FALSE(CrashLogNotice::takeNewRecords(logPath_, settings));
    crashChild(logPath_, [] { ::raise(SIGSEGV); });
    EXPECT_TRUE(CrashLogNotice::takeNewRecords(logPath_, settings));

    // Settings that cannot be kept (a FIFO in their place) neither hang the start nor are replaced,
    // and a crash that cannot be marked as told is not told at every start.
    const std::string fifo = dir_ + "/fifo.conf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ::alarm(5); // a hang ends the test run here
    EXPECT_FALSE(CrashLogNotice::takeNewRecords(logPath_, fifo));
    ::alarm(0);
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}
