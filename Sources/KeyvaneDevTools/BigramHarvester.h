// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"

#include <ostream>
#include <string>

namespace keyvane {

// Counts letter bigrams of a corpus and writes log-probability weights for the most frequent.
class BigramHarvester {
public:
    static constexpr int topN = 500;
    static constexpr double anchorWeight = 3.0;
    static constexpr double logSlope = 1.0;
    static constexpr int minBigramCount = 3;

    BigramHarvester(CLIOptions options, std::string outputPath)
        : options_(std::move(options))
        , outputPath_(std::move(outputPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

private:
    CLIOptions options_;
    std::string outputPath_;
};

} // namespace keyvane
