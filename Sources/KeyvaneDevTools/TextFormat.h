// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

// printf-style formatting and file reading shared by the command-line reports.
namespace keyvane::TextFormat {

std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The longest piece of a line handed over at once; a longer line is cut at its last blank.
inline constexpr std::size_t longestLinePiece = 1 << 20;

// Hands a command-line input file to onLine one line at a time (without its line break), so that
// memory stays small whatever the file's size; a line longer than longestLinePiece comes in
// pieces cut at blanks. The whole file is checked to be UTF-8 text first: when it cannot be read
// or is not, the one error line goes to err, nothing is handed over and the result is false.
bool forEachInputLine(const std::string& path, std::ostream& err,
                      const std::function<void(const std::string&)>& onLine);

// Writes a result file atomically; on failure the one error line goes to err.
bool writeOutputFile(const std::string& path, const std::string& contents, std::ostream& err);

// The text padded with blanks, or cut, to width characters.
std::string fitted(const std::string& text, std::size_t width);

// The value truncated toward zero to two decimals.
double truncatedToHundredths(double value);

} // namespace keyvane::TextFormat
