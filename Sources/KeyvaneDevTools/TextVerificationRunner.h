// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"
#include "KeyvaneDevTools/KeyvaneDiagnosticAnalyzer.h"

#include <optional>
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
    // Why the engine leaves the word, typed on the other layout, alone; nothing when it switches it
    // (or the word is shorter than the minimum length).
    std::optional<KeyvaneMissedCandidate> missedBy(const std::string& word) const;
    // What the engine would switch the word to, in the expected direction.
    std::optional<KeyvaneCandidate> switchedBy(const std::string& word) const;

    CLIOptions options_;
    const KeyvaneDiagnosticAnalyzer& analyzer_;
};

} // namespace keyvane
