#pragma once

#include <optional>
#include <ostream>
#include <string>

// printf-style formatting and file reading shared by the command-line reports.
namespace keyvane::TextFormat {

std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The file as UTF-8 text; nothing when it cannot be read or is not valid UTF-8.
std::optional<std::string> readUtf8File(const std::string& path);

// The same for a command-line input file; on failure the one error line goes to err.
std::optional<std::string> readInputFile(const std::string& path, std::ostream& err);

// Writes a result file atomically; on failure the one error line goes to err.
bool writeOutputFile(const std::string& path, const std::string& contents, std::ostream& err);

// The text padded with blanks, or cut, to width characters.
std::string fitted(const std::string& text, std::size_t width);

// The value truncated toward zero to two decimals.
double truncatedToHundredths(double value);

} // namespace keyvane::TextFormat
