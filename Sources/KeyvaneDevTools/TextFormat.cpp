// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/TextFormat.h"

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UnicodeText.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unicode/utf8.h>
#include <unistd.h>
#include <vector>

namespace keyvane::TextFormat {

std::string formatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    return out;
}

namespace {

// Cuts the file into lines (and over-long lines into pieces at blanks) for onLine; false when it
// cannot be read or onLine returns false. A cut is always at an ASCII byte, so every piece of a
// UTF-8 file is whole characters.
bool forEachPiece(const std::string& path, const std::function<bool(const std::string&)>& onLine) {
    std::string pending;
    bool stopped = false;
    const bool read = AtomicFile::readInChunks(path, [&](std::string_view chunk) {
        std::size_t start = 0;
        for (std::size_t end; (end = chunk.find('\n', start)) != std::string_view::npos; start = end + 1) {
            pending.append(chunk.substr(start, end - start));
            if (!onLine(pending)) {
                stopped = true;
                return false;
            }
            pending.clear();
        }
        pending.append(chunk.substr(start));
        if (pending.size() > longestLinePiece) {
            const std::size_t blank = pending.find_last_of(" \t");
            if (blank != std::string::npos) {
                const std::string rest = pending.substr(blank + 1);
                pending.resize(blank);
                if (!onLine(pending)) {
                    stopped = true;
                    return false;
                }
                pending = rest;
            }
        }
        return true;
    });
    if (!read || stopped) {
        return false;
    }
    return pending.empty() || onLine(pending);
}

// Why the file cannot be read as a text, or nothing when it can.
std::optional<std::string> unreadable(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::string(std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode)) {
        return std::string("it is a directory");
    }
    if (!S_ISREG(info.st_mode)) {
        return std::string("it is no regular file (a FIFO, a socket or a device)");
    }
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        return std::string(std::strerror(errno));
    }
    ::close(descriptor);
    return std::nullopt;
}

} // namespace

bool forEachInputLine(const std::string& path, std::ostream& err,
                      const std::function<void(const std::string&)>& onLine) {
    if (const std::optional<std::string> why = unreadable(path)) {
        err << "Error: Cannot read " << path << ": " << *why << "\n";
        return false;
    }
    const bool utf8 =
        forEachPiece(path, [](const std::string& line) { return UnicodeText::isValidUtf8(line); });
    if (!utf8) {
        err << "Error: Failed to read file as UTF-8: " << path << "\n";
        return false;
    }
    const bool whole = forEachPiece(path, [&](const std::string& line) {
        onLine(line);
        return true;
    });
    if (!whole) {
        err << "Error: Failed to read file: " << path << "\n";
    }
    return whole;
}

bool writeOutputFile(const std::string& path, const std::string& contents, std::ostream& err) {
    std::string error;
    if (!AtomicFile::writeAtomically(path, contents, &error)) {
        err << "Error: Failed to write profile to " << path << ": " << error << "\n";
        return false;
    }
    return true;
}

std::string fitted(const std::string& text, std::size_t width) {
    std::vector<std::string> chars = UnicodeText::graphemes(text);
    std::string out;
    for (std::size_t i = 0; i < width; ++i) {
        out += i < chars.size() ? chars[i] : " ";
    }
    return out;
}

double truncatedToHundredths(double value) {
    return std::trunc(value * 100.0) / 100.0;
}

} // namespace keyvane::TextFormat
