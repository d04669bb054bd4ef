// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneDevTools/CLIOptions.h"

#include <functional>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace keyvane {

// Measures the engine's accuracy: every word of a corpus is re-typed on each other active
// layout and fed to the engine, which should recover the original word.
class RoundTripEvaluationRunner {
public:
    struct Sample {
        std::string original;
        std::string rendered;
        std::string corrected;
        std::string winningLang;
        std::string reason;
    };
    struct Cell {
        long long total = 0;
        long long correct = 0;
        long long wrong = 0;
        long long missed = 0;
        long long punctRendered = 0;
        std::map<std::string, long long> missedReasons;
        std::map<std::string, long long> wrongByLang;
        std::vector<Sample> wrongSamples;
        std::vector<Sample> missedSamples;
    };

    RoundTripEvaluationRunner(CLIOptions options, const RulesEngine& engine, std::string reportPath,
                              std::string csvPath)
        : options_(std::move(options))
        , engine_(engine)
        , reportPath_(std::move(reportPath))
        , csvPath_(std::move(csvPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

    static constexpr int absoluteMinLength = 2;
    static constexpr std::size_t maxSamplesPerClass = 200000;
    static constexpr std::size_t maxJSONSamplesPerClass = 40;

    // Hands each in-script word of a line, lower-cased, to onWord; with `seen`, only words not seen before.
    void extractWords(const std::string& line, Language sourceLang, int minLength,
                      std::set<std::string>* seen,
                      const std::function<void(const std::string&)>& onWord) const;
    KeyboardMap renderingMap(Language from, Language to) const;
    std::string winningLanguage(const std::string& corrected) const;

private:
    void writeReport(const std::map<std::string, Cell>& cells, const std::string& sourceLang,
                     std::size_t wordCount) const;
    void writeCSV(const std::map<std::string, Cell>& cells, const std::string& sourceLang) const;
    void printSummary(std::ostream& out, const std::map<std::string, Cell>& cells,
                      const std::string& sourceLang, const std::vector<std::string>& typedLayouts,
                      std::size_t wordCount) const;

    CLIOptions options_;
    const RulesEngine& engine_;
    std::string reportPath_;
    std::string csvPath_;
};

} // namespace keyvane
