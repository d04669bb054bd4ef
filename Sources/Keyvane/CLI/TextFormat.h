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

} // namespace keyvane::TextFormat
