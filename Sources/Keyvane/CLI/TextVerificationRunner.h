#pragma once

#include "CLIOptions.h"
#include "KeyvaneDiagnosticAnalyzer.h"

#include <ostream>

namespace keyvane {

// The "test" run: which words of a text the engine would switch (normal validation), or which
// words it fails to switch (reverse validation).
class TextVerificationRunner {
public:
    TextVerificationRunner(CLIOptions options, const KeyvaneDiagnosticAnalyzer& analyzer)
        : options_(std::move(options)), analyzer_(analyzer) {}

    int run(std::ostream& out, std::ostream& err) const;

    // The missed candidates of a word list, grouped by lower-cased word when unique.
    std::vector<KeyvaneMissedCandidate> collectMissed(const std::vector<std::string>& words) const;

private:
    CLIOptions options_;
    const KeyvaneDiagnosticAnalyzer& analyzer_;
};

} // namespace keyvane
