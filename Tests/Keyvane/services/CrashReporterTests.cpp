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

// Runs `crash` in a child with the reporter installed on `logPath`; gives how the child ended.
int crashChild(const std::string& logPath, const std::function<void()>& crash) {
    const pid_t child = ::fork();
    if (child == 0) {
        CrashReporter::install(logPath, CrashReporter::versionString("0.1.0", ""));
        // As in the program, nothing catches what escapes (the test framework would).
        [&crash]() noexcept { crash(); }();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
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

TEST_F(CrashReporterTest, ASegmentationFaultLeavesOneRecordAndStillKillsTheProcess) {
    const int status = crashChild(logPath_, [] {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    const std::vector<Record> records = readRecords(logPath_);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(std::regex_match(records[0].header, header)) << records[0].header;
    EXPECT_NE(records[0].header.find("fatal signal"), std::string::npos);
    EXPECT_EQ(records[0].detail, "signal 11 (SIGSEGV)");
    ASSERT_FALSE(records[0].frames.empty());
    // The frames start where the signal came in (the C library's return from the handler), not in
    // the reporter's own code.
    EXPECT_NE(records[0].frames[0].find("libc.so"), std::string::npos) << records[0].frames[0];

    // The next crash is appended, the first record kept.
    crashChild(logPath_, [] { ::raise(SIGFPE); });
    const std::vector<Record> both = readRecords(logPath_);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0].detail, "signal 11 (SIGSEGV)");
    EXPECT_EQ(both[1].detail, "signal 8 (SIGFPE)");
}

TEST_F(CrashReporterTest, AnUncaughtExceptionIsNamedWithItsReason) {
    const int status = crashChild(logPath_, [] { throw std::runtime_error("the rules file vanished"); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    crashChild(logPath_, [] { throw 42; });
    const std::vector<Record> records = readRecords(logPath_);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(std::regex_match(records[0].header, header)) << records[0].header;
    EXPECT_NE(records[0].header.find("uncaught exception"), std::string::npos);
    EXPECT_EQ(records[0].detail, "std::runtime_error: the rules file vanished");
    EXPECT_FALSE(records[0].frames.empty());
    EXPECT_EQ(records[1].detail, "int: nil");
}

TEST_F(CrashReporterTest, TwoThreadsCrashingAtOnceLeaveWholeRecords) {
    for (int run = 0; run < 5; ++run) {
        const int status = crashChild(logPath_, [] {
            std::atomic<int> ready{0};
            auto crash = [&ready] {
                ready.fetch_add(1);
                while (ready.load() < 2) {
                }
                volatile int* nowhere = nullptr;
                *nowhere = 1;
            };
            std::thread other(crash);
            crash();
            other.join();
        });
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGSEGV);
    }
    const std::vector<Record> records = readRecords(logPath_);
    EXPECT_GE(records.size(), 5u);
    for (const Record& record : records) {
        EXPECT_EQ(record.detail, "signal 11 (SIGSEGV)");
    }
}

TEST_F(CrashReporterTest, AnUnwritableLogIsSilent) {
    const std::string unwritable = dir_ + "/no such directory/crash.log";
    const int status = crashChild(unwritable, [] { ::raise(SIGBUS); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGBUS);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/no such directory"));
}

TEST_F(CrashReporterTest, AnAbortLeavesARecordAndAnUncaughtExceptionStillOnlyOne) {
    const int aborted = crashChild(logPath_, [] { std::abort(); }); // a failed assertion in a library
    ASSERT_TRUE(WIFSIGNALED(aborted));
    EXPECT_EQ(WTERMSIG(aborted), SIGABRT);
    crashChild(logPath_, [] { throw std::runtime_error("gone"); });
    const std::vector<Record> records = readRecords(logPath_);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].detail, "signal 6 (SIGABRT)");
    EXPECT_EQ(records[1].detail, "std::runtime_error: gone");
}

TEST_F(CrashReporterTest, AFifoInPlaceOfTheLogDoesNotKeepTheCrashingProcessAlive) {
    ASSERT_EQ(::mkfifo(logPath_.c_str(), 0600), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        CrashReporter::install(logPath_, CrashReporter::versionString("0.1.0", ""));
        ::raise(SIGSEGV);
        ::_exit(0);
    }
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 500 && ended == 0; ++i) { // five seconds at the most
        ended = ::waitpid(child, &status, WNOHANG);
        ::usleep(10'000);
    }
    if (ended == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "the crashing process waited for a reader of the FIFO";
    }
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);
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
}

TEST_F(CrashReporterTest, AFifoInPlaceOfTheSettingsFileDoesNotHangTheNoticeAtStart) {
    const std::string settings = dir_ + "/Keyvane.conf";
    ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
    crashChild(logPath_, [] { ::raise(SIGILL); });
    ::alarm(5); // a hang ends the test run here
    EXPECT_FALSE(CrashLogNotice::takeNewRecords(logPath_, settings));
    ::alarm(0);
    EXPECT_TRUE(std::filesystem::is_fifo(settings));
}
