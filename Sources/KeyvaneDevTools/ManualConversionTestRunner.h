// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"

#include <ostream>

// Fixed checks of manual conversion: each Cyrillic layout back to English, English into the
// right Cyrillic language, conversion to a chosen language, and independence from the active layout.
namespace keyvane::ManualConversionTestRunner {

bool run(const RulesEngine& engine, std::ostream& out);

} // namespace keyvane::ManualConversionTestRunner
