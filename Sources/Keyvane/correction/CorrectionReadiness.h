// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <string>
#include <vector>

// Whether the live program can correct anything at all, told plainly at start instead of a
// banner that claims it works.
namespace keyvane::CorrectionReadiness {

// One sentence per reason the program cannot correct words, or cannot keep what it learns;
// empty when all is well.
std::vector<std::string> problems(PlatformServices& platform, const RulesEngine& engine);

// Whether the data directory exists or can be made, and takes a new file.
bool dataDirectoryWritable(const std::string& directory);

} // namespace keyvane::CorrectionReadiness
