// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"
#include "KeyvaneDevTools/KeyvaneDiagnosticAnalyzer.h"

#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace keyvane {

// Learns from words the engine narrowly refuses to switch which word endings of the target
// language they share, and writes a scoring profile with suffix boosts.
class LearnModeRunner {
public:
    static constexpr double nearMissMinGap = 1.0;
    static constexpr double nearMissMaxGap = 25.0;
    static constexpr int minSuffixCount = 3;
    static constexpr double suffixBoostBase = 8.0;
    static constexpr double suffixBoostMultiplier = 2.5;
    static constexpr double suffixBoostCap = 18.0;

    LearnModeRunner(CLIOptions options, const KeyvaneDiagnosticAnalyzer& analyzer, std::string outputPath)
        : options_(std::move(options))
        , analyzer_(analyzer)
        , outputPath_(std::move(outputPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

    // Adds the word to nearMisses when the engine missed it narrowly, once per lower-cased word.
    void noteNearMiss(const std::string& word, std::set<std::string>& seen,
                      std::vector<KeyvaneMissedCandidate>& nearMisses) const;
    static std::map<std::string, int> countSuffixes(const std::vector<KeyvaneMissedCandidate>& nearMisses);
    static std::map<std::string, double> promoteSuffixBoosts(const std::map<std::string, int>& counts);

private:
    CLIOptions options_;
    const KeyvaneDiagnosticAnalyzer& analyzer_;
    std::string outputPath_;
};

} // namespace keyvane
