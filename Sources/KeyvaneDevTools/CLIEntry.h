// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneDevTools/CLIOptions.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

// The developer command line: parses the arguments, builds the engine from the first rules file of
// AppPaths::rulesFileCandidates that exists, runs one job and returns the process status.
namespace keyvane::CLIEntry {

// True when the arguments ask for the command line ("-file", "-input", "-type", "-language").
bool isCommandLine(const std::vector<std::string>& args);

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Nothing (after one "Error: " line on err) when no rules file can be loaded.
std::unique_ptr<RulesEngine> makeEngine(const CLIOptions& options, std::ostream& err);

} // namespace keyvane::CLIEntry
