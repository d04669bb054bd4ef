// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/TextFormat.h"

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UnicodeText.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <unicode/utf8.h>
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

} // namespace

bool forEachInputLine(const std::string& path, std::ostream& err,
                      const std::function<void(const std::string&)>& onLine) {
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
