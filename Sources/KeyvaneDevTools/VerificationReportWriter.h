// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"

#include <ostream>
#include <vector>

// The reports of the verification run, on the given stream. A report is written as the text is
// read: its header, each candidate as it is found (numbered from 1), then the totals, so that a
// text of any size needs no more memory than one line of it.
namespace keyvane::VerificationReportWriter {

void begin(std::ostream& out, const CLIOptions& options);
void candidate(std::ostream& out, std::size_t number, const KeyvaneCandidate& found);
void end(std::ostream& out, std::size_t totalWords, std::size_t found);

// Reverse validation: the words the engine fails to switch. With `unique`, each word once with its
// count, which the caller gathers before writing them.
void beginReverse(std::ostream& out, const CLIOptions& options);
void missed(std::ostream& out, const CLIOptions& options, const KeyvaneMissedCandidate& found);
void endReverse(std::ostream& out, const CLIOptions& options, std::size_t totalWords, std::size_t found,
                long long occurrences);

} // namespace keyvane::VerificationReportWriter
