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

void write(std::ostream& out, const CLIOptions& options, std::size_t totalWords,
           const std::vector<KeyvaneCandidate>& candidates) {
    header(out, options);
    out << "\n";
    if (candidates.empty()) {
        out << "No switch candidates found.\n\nTotal words processed: " << totalWords
            << "\nCandidates found: 0\n";
        return;
    }
    std::size_t n = 0;
    for (const KeyvaneCandidate& c : candidates) {
        out << "Candidate #" << ++n << "\n"
            << "Original: " << c.originalWord << "\n"
            << "Suggested: " << c.suggestedWord << "\n"
            << "Direction: " << toString(c.direction) << "\n"
            << "Expected language: " << toString(c.expectedLanguage) << "\n"
            << "Reason: " << c.reason << "\n";
        if (c.confidenceScore) {
            out << "Confidence: " << TextFormat::formatted("%.2f", *c.confidenceScore) << "\n";
        }
        out << "\n";
    }
    out << "Total words processed: " << totalWords << "\nCandidates found: " << candidates.size() << "\n";
}

void writeReverse(std::ostream& out, const CLIOptions& options, std::size_t totalWords,
                  const std::vector<KeyvaneMissedCandidate>& missed) {
    header(out, options);
    out << "MinLength: " << options.minLength << "\n"
        << "Unique: " << (options.unique ? "true" : "false") << "\n\n";
    if (missed.empty()) {
        out << "No false negative candidates found.\n\nTotal words processed: " << totalWords
            << "\nFalse negative candidates found: 0\n";
        return;
    }
    long long occurrences = 0;
    for (const KeyvaneMissedCandidate& m : missed) {
        occurrences += m.count;
        out << "False negative candidate:\n"
            << "Word: " << m.originalWord << "\n"
            << "Expected: " << m.expectedSwitchedWord.value_or("(no mapping available)") << "\n"
            << "ExpectedDirection: " << toString(m.expectedDirection) << "\n"
            << "ActualDecision: " << m.actualDecision << "\n";
        if (m.finalScore) {
            out << "FinalScore: " << TextFormat::formatted("%.2f", *m.finalScore) << "\n";
        }
        if (m.threshold) {
            out << "Threshold: " << TextFormat::formatted("%.2f", *m.threshold) << "\n";
        }
        out << "Reason: " << m.rejectionReason << "\n";
        if (options.unique) {
            out << "Count: " << m.count << "\n";
        }
        out << "\n";
    }
    out << "Total words processed: " << totalWords << "\nFalse negative candidates found: " << missed.size();
    if (options.unique) {
        out << " unique (" << occurrences << " total occurrences)";
    }
    out << "\n";
}

} // namespace keyvane::VerificationReportWriter
