// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace keyvane::CLIOptionsParser {

// The options of an argument vector (element 0 is the program); nothing, and the one-line message
// of the first error in `error`, when they are refused. Touches the file system only to check that
// the -file path exists.
std::optional<CLIOptions> parse(const std::vector<std::string>& args, std::string* error = nullptr);

} // namespace keyvane::CLIOptionsParser
