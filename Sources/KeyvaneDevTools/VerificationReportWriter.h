// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"

#include <ostream>
#include <vector>

// The reports of the verification run, on the given stream.
namespace keyvane::VerificationReportWriter {

void write(std::ostream& out, const CLIOptions& options, std::size_t totalWords,
           const std::vector<KeyvaneCandidate>& candidates);

void writeReverse(std::ostream& out, const CLIOptions& options, std::size_t totalWords,
                  const std::vector<KeyvaneMissedCandidate>& missed);

} // namespace keyvane::VerificationReportWriter
