// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"

#include <string>
#include <variant>
#include <vector>

namespace keyvane::CLIOptionsParser {

// The options of an argument vector (element 0 is the program), or the first error. Touches
// the file system only to check that the -file path exists.
std::variant<CLIOptions, CLIError> parse(const std::vector<std::string>& args);

} // namespace keyvane::CLIOptionsParser
