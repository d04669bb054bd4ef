#pragma once

#include "CLIOptions.h"
#include "KeyvaneDiagnosticAnalyzer.h"

#include <map>
#include <ostream>
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
        : options_(std::move(options)), analyzer_(analyzer), outputPath_(std::move(outputPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

    std::vector<KeyvaneMissedCandidate> collectNearMisses(const std::vector<std::string>& words) const;
    static std::map<std::string, int> countSuffixes(const std::vector<KeyvaneMissedCandidate>& nearMisses);
    static std::map<std::string, double> promoteSuffixBoosts(const std::map<std::string, int>& counts);

private:
    CLIOptions options_;
    const KeyvaneDiagnosticAnalyzer& analyzer_;
    std::string outputPath_;
};

// Counts letter bigrams of a corpus and writes log-probability weights for the most frequent.
class BigramHarvester {
public:
    static constexpr int topN = 500;
    static constexpr double anchorWeight = 3.0;
    static constexpr double logSlope = 1.0;
    static constexpr int minBigramCount = 3;

    BigramHarvester(CLIOptions options, std::string outputPath)
        : options_(std::move(options)), outputPath_(std::move(outputPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

private:
    CLIOptions options_;
    std::string outputPath_;
};

// Counts the words of a corpus and writes the most frequent as a common-words list.
class WordFrequencyHarvester {
public:
    static constexpr int topN = 3000;
    static constexpr int minWordCount = 5;
    static constexpr int absoluteMinLength = 2;

    WordFrequencyHarvester(CLIOptions options, std::string outputPath)
        : options_(std::move(options)), outputPath_(std::move(outputPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

private:
    CLIOptions options_;
    std::string outputPath_;
};

// The Ukrainian letters and the apostrophe, as the harvesters read Ukrainian text.
const std::string& ukrainianHarvestAlphabet();

} // namespace keyvane
