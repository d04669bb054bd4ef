#pragma once

#include <optional>
#include <string>

// printf-style formatting and file reading shared by the command-line reports.
namespace keyvane::TextFormat {

std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The file as UTF-8 text; nothing when it cannot be read or is not valid UTF-8.
std::optional<std::string> readUtf8File(const std::string& path);

} // namespace keyvane::TextFormat
