// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"

#include <ostream>

// Runs the regression cases that the rules file declares for itself.
namespace keyvane::GoldenTestRunner {

// Prints one line per case and a summary; true when every case passed.
bool run(const RulesEngine& engine, std::ostream& out);

} // namespace keyvane::GoldenTestRunner
