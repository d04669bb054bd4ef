// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"
#include "KeyvaneDevTools/KeyvaneDiagnosticAnalyzer.h"

#include <map>
#include <ostream>

namespace keyvane {

// The "test" run: which words of a text the engine would switch (normal validation), or which
// words it fails to switch (reverse validation).
class TextVerificationRunner {
public:
    TextVerificationRunner(CLIOptions options, const KeyvaneDiagnosticAnalyzer& analyzer)
        : options_(std::move(options))
        , analyzer_(analyzer) {}

    int run(std::ostream& out, std::ostream& err) const;

private:
    // The missed candidates so far, grouped by lower-cased word when unique.
    struct Missed {
        std::vector<KeyvaneMissedCandidate> candidates;
        std::map<std::string, std::size_t> positionByKey;
    };
    void noteMissed(const std::string& word, Missed& missed) const;
    void noteCandidate(const std::string& word, std::vector<KeyvaneCandidate>& candidates) const;

    CLIOptions options_;
    const KeyvaneDiagnosticAnalyzer& analyzer_;
};

} // namespace keyvane
