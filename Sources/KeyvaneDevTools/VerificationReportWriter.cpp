// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/VerificationReportWriter.h"

#include "KeyvaneDevTools/TextFormat.h"

namespace keyvane::VerificationReportWriter {
namespace {

void header(std::ostream& out, const CLIOptions& options) {
    out << "Keyvane verification report\n"
        << "File: " << options.file << "\n"
        << "Mode: " << toString(options.type) << "\n"
        << "Validation: " << toString(options.validation) << "\n"
        << "Expected language: " << toString(options.language) << "\n";
}

} // namespace

void begin(std::ostream& out, const CLIOptions& options) {
    header(out, options);
    out << "\n";
}

void candidate(std::ostream& out, std::size_t number, const KeyvaneCandidate& found) {
    out << "Candidate #" << number << "\n"
        << "Original: " << found.originalWord << "\n"
        << "Suggested: " << found.suggestedWord << "\n"
        << "Direction: " << toString(found.direction) << "\n"
        << "Expected language: " << toString(found.expectedLanguage) << "\n"
        << "Reason: " << found.reason << "\n";
    if (found.confidenceScore) {
        out << "Confidence: " << TextFormat::formatted("%.2f", *found.confidenceScore) << "\n";
    }
    out << "\n";
}

void end(std::ostream& out, std::size_t totalWords, std::size_t found) {
    if (found == 0) {
        out << "No switch candidates found.\n\n";
    }
    out << "Total words processed: " << totalWords << "\nCandidates found: " << found << "\n";
}

void beginReverse(std::ostream& out, const CLIOptions& options) {
    header(out, options);
    out << "MinLength: " << options.minLength << "\n"
        << "Unique: " << (options.unique ? "true" : "false") << "\n\n";
}

void missed(std::ostream& out, const CLIOptions& options, const KeyvaneMissedCandidate& found) {
    out << "False negative candidate:\n"
        << "Word: " << found.originalWord << "\n"
        << "Expected: " << found.expectedSwitchedWord.value_or("(no mapping available)") << "\n"
        << "ExpectedDirection: " << toString(found.expectedDirection) << "\n"
        << "ActualDecision: " << found.actualDecision << "\n";
    if (found.finalScore) {
        out << "FinalScore: " << TextFormat::formatted("%.2f", *found.finalScore) << "\n";
    }
    if (found.threshold) {
        out << "Threshold: " << TextFormat::formatted("%.2f", *found.threshold) << "\n";
    }
    out << "Reason: " << found.rejectionReason << "\n";
    if (options.unique) {
        out << "Count: " << found.count << "\n";
    }
    out << "\n";
}

void endReverse(std::ostream& out, const CLIOptions& options, std::size_t totalWords, std::size_t found,
                long long occurrences) {
    if (found == 0) {
        out << "No false negative candidates found.\n\nTotal words processed: " << totalWords
            << "\nFalse negative candidates found: 0\n";
        return;
    }
    out << "Total words processed: " << totalWords << "\nFalse negative candidates found: " << found;
    if (options.unique) {
        out << " unique (" << occurrences << " total occurrences)";
    }
    out << "\n";
}

} // namespace keyvane::VerificationReportWriter
