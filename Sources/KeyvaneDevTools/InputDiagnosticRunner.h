// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace keyvane {

class LineLanguageEvidence;

// Explains the engine's decision for every word of one string: each score component, the
// modifiers, the thresholds and the outcome.
class InputDiagnosticRunner {
public:
    InputDiagnosticRunner(std::string inputString, const RulesEngine& engine,
                          std::optional<Language> sessionLanguage)
        : inputString_(std::move(inputString))
        , engine_(engine)
        , sessionLanguage_(sessionLanguage) {}

    int run(std::ostream& out) const;

    // Lines of parts separated by ", ", none longer than width unless a single part is.
    static std::vector<std::string> wrap(const std::vector<std::string>& parts, std::size_t width,
                                         std::size_t indent);

private:
    void printReport(std::ostream& out, std::size_t index, std::size_t total, const std::string& word,
                     LineLanguageEvidence& line) const;
    void printTokenSection(std::ostream& out, const std::string& title, const TokenScoreDetail& detail,
                           std::optional<double> extraLayoutSuspicion) const;
    void renderSingleCandidate(std::ostream& out, const RulesDiagnostic& diag) const;
    void renderMultiCandidate(std::ostream& out, const RulesDiagnostic& diag) const;
    int priorityIndex(Language languageKey) const;

    std::string inputString_;
    const RulesEngine& engine_;
    std::optional<Language> sessionLanguage_;
};

} // namespace keyvane
