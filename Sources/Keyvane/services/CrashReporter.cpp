// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/CrashReporter.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <time.h>
#include <typeinfo>
#include <unistd.h>

namespace keyvane::CrashReporter {

namespace {

constexpr int handledSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP, SIGABRT};
constexpr int maxFrames = 64;
constexpr std::size_t recordCapacity = 24 * 1024;

// Prepared at install, read by the handlers: fixed storage, never freed.
char logPath[4096];
char headerSuffix[256]; // "] Keyvane <version> — "
std::atomic<int> writers{0};
// An uncaught exception has its record already when it aborts the process.
std::atomic<bool> terminating{false};
alignas(16) char alternateStack[128 * 1024]; // for a crash that overflowed the stack

// Appends to a fixed buffer without allocating; text that does not fit is cut.
class Record {
public:
    explicit Record(char* buffer, std::size_t capacity)
        : buffer_(buffer)
        , capacity_(capacity) {}
    Record& add(const char* text) { return add(text, std::strlen(text)); }
    Record& add(const char* text, std::size_t length) {
        const std::size_t room = capacity_ - size_;
        const std::size_t n = length < room ? length : room;
        std::memcpy(buffer_ + size_, text, n);
        size_ += n;
        return *this;
    }
    Record& repeat(char c, int count) {
        for (int i = 0; i < count && size_ < capacity_; ++i) {
            buffer_[size_++] = c;
        }
        return *this;
    }
    Record& number(long long value, int width = 0) {
        char digits[24];
        int n = 0;
        const bool negative = value < 0;
        unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value) : value;
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (negative) {
            add("-", 1);
        }
        for (int pad = n; pad < width; ++pad) {
            add("0", 1);
        }
        while (n > 0) {
            add(&digits[--n], 1);
        }
        return *this;
    }
    std::size_t size() const { return size_; }
    char* end() { return buffer_ + size_; }
    std::size_t room() const { return capacity_ - size_; }
    void grow(std::size_t n) { size_ += n; }

private:
    char* buffer_;
    std::size_t capacity_;
    std::size_t size_ = 0;
};

const char* knownSignalName(int signal) {
    switch (signal) {
    case SIGILL: return "SIGILL";
    case SIGTRAP: return "SIGTRAP";
    case SIGABRT: return "SIGABRT";
    case SIGFPE: return "SIGFPE";
    case SIGBUS: return "SIGBUS";
    case SIGSEGV: return "SIGSEGV";
    default: return nullptr;
    }
}

// "2026-12-08T04:40:00Z" for now, in UTC, without the C library's time-zone lock.
void addTimestamp(Record& record) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const long long seconds = now.tv_sec;
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long monthIndex = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const long long month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    record.number(year, 4).add("-").number(month, 2).add("-").number(day, 2).add("T");
    record.number(rest / 3600, 2).add(":").number(rest / 60 % 60, 2).add(":").number(rest % 60, 2).add("Z");
}

// The frames of the calling thread, one per line, as backtrace_symbols_fd writes them; passed
// through a pipe so that the record still goes out in one write. Raw addresses when no pipe can
// be made.
__attribute__((noinline)) void addFrames(Record& record, int skip) {
    void* frames[maxFrames];
    const int count = ::backtrace(frames, maxFrames);
    const int first = count > skip ? skip : 0;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) == 0) {
        ::backtrace_symbols_fd(frames + first, count - first, pipeEnds[1]);
        ::close(pipeEnds[1]);
        ssize_t n;
        while (record.room() > 0 && (n = ::read(pipeEnds[0], record.end(), record.room())) > 0) {
            record.grow(static_cast<std::size_t>(n));
        }
        ::close(pipeEnds[0]);
        return;
    }
    static const char hex[] = "0123456789abcdef";
    for (int i = first; i < count; ++i) {
        char text[2 + 2 * sizeof(void*) + 1];
        auto value = reinterpret_cast<std::uintptr_t>(frames[i]);
        text[0] = '0';
        text[1] = 'x';
        for (std::size_t d = 0; d < 2 * sizeof(void*); ++d) {
            text[2 + d] = hex[(value >> (4 * (2 * sizeof(void*) - 1 - d))) & 0xF];
        }
        text[sizeof text - 1] = '\n';
        record.add(text, sizeof text);
    }
}

// Builds the record around `detail` and appends it to the log in one write. The frames start at
// the caller of the handler that calls this: the reporter's own three frames are left out.
__attribute__((noinline)) void writeRecord(const char* kind, const char* detail, std::size_t detailLength) {
    constexpr int skipFrames = 3; // addFrames, writeRecord, the handler
    char buffer[recordCapacity];
    Record record(buffer, sizeof buffer);
    record.repeat('=', 68).add("\n[");
    addTimestamp(record);
    record.add(headerSuffix)
        .add(kind)
        .add("\n")
        .add(detail, detailLength)
        .add("\n")
        .repeat('-', 68)
        .add("\n");
    addFrames(record, skipFrames);
    if (record.size() > 0 && buffer[record.size() - 1] != '\n') {
        record.add("\n");
    }
    record.add("\n");
    if (record.room() == 0) { // cut: still end the record where the next one can be told apart
        buffer[recordCapacity - 2] = '\n';
        buffer[recordCapacity - 1] = '\n';
    }
    // Never waits: a FIFO put at the path would keep the crashing process alive for ever.
    const int fd =
        ::open(logPath, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    ssize_t ignored = ::write(fd, buffer, record.size());
    (void)ignored;
    ::close(fd);
}

__attribute__((noinline)) void onFatalSignal(int signal, siginfo_t*, void*) {
    const int savedErrno = errno;
    writers.fetch_add(1);
    // The abort that ends an uncaught exception follows its own record: nothing more to say.
    if (signal != SIGABRT || !terminating.load()) {
        char detail[64];
        Record text(detail, sizeof detail);
        text.add("signal ").number(signal).add(" (");
        if (const char* name = knownSignalName(signal)) {
            text.add(name);
        } else {
            text.number(signal);
        }
        text.add(")");
        writeRecord("fatal signal", detail, text.size());
    }
    writers.fetch_sub(1);
    // Another thread that crashed at the same moment may still be writing its record: give it a
    // moment before the process ends.
    for (int i = 0; i < 200 && writers.load() > 0; ++i) {
        timespec pause{0, 5'000'000};
        ::nanosleep(&pause, nullptr);
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    errno = savedErrno;
    // Delivered when this handler returns (the signal is blocked while it runs): the process ends
    // by the same signal, with its core dump if the system keeps one.
    ::raise(signal);
}

// "std::runtime_error: what it said", or "int: nil" for a thrown value that is no exception.
std::string describeCurrentException() {
    std::string name = "unknown";
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
        int status = 0;
        std::unique_ptr<char, decltype(&std::free)> demangled(
            abi::__cxa_demangle(type->name(), nullptr, nullptr, &status), &std::free);
        name = status == 0 && demangled ? demangled.get() : type->name();
    }
    std::string reason = "nil";
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            reason = e.what();
        } catch (...) {
        }
    }
    return name + ": " + reason;
}

[[noreturn]] __attribute__((noinline)) void onTerminate() {
    const std::string detail = describeCurrentException();
    writeRecord("uncaught exception", detail.data(), detail.size());
    terminating.store(true);
    std::abort(); // the system's own ending for an uncaught exception
}

} // namespace

std::string versionString(const std::string& shortVersion, const std::string& build) {
    return (shortVersion.empty() ? "dev" : shortVersion) + " (" + (build.empty() ? "?" : build) + ")";
}

void install(const std::string& crashLogPath, const std::string& version) {
    if (crashLogPath.size() >= sizeof logPath) {
        return; // a path this long cannot be opened anyway
    }
    std::memcpy(logPath, crashLogPath.c_str(), crashLogPath.size() + 1);
    const std::string suffix = "] Keyvane " + version.substr(0, sizeof headerSuffix - 32) + " — ";
    std::memcpy(headerSuffix, suffix.c_str(), suffix.size() + 1);

    // The first backtrace loads the unwinder, which allocates: done here, not in a handler.
    void* warmUp[2];
    ::backtrace(warmUp, 2);

    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    ::sigaltstack(&stack, nullptr);

    struct sigaction action {};
    action.sa_sigaction = onFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    ::sigemptyset(&action.sa_mask);
    for (int signal : handledSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    std::set_terminate(onTerminate);
}

} // namespace keyvane::CrashReporter
