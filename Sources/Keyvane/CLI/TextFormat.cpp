#include "TextFormat.h"

#include "AtomicFile.h"
#include "UnicodeText.h"

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

std::optional<std::string> readUtf8File(const std::string& path) {
    auto text = AtomicFile::read(path);
    if (!text) {
        return std::nullopt;
    }
    if (!UnicodeText::isValidUtf8(*text)) {
        return std::nullopt;
    }
    return text;
}

std::optional<std::string> readInputFile(const std::string& path, std::ostream& err) {
    auto text = readUtf8File(path);
    if (!text) {
        err << "Error: Failed to read file as UTF-8: " << path << "\n";
    }
    return text;
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
