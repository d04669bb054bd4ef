// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneDevTools/CLIOptions.h"

#include <ostream>
#include <string>

namespace keyvane {

// Counts the words of a corpus and writes the most frequent as a common-words list.
class WordFrequencyHarvester {
public:
    static constexpr int topN = 3000;
    static constexpr int minWordCount = 5;
    static constexpr int absoluteMinLength = 2;

    WordFrequencyHarvester(CLIOptions options, std::string outputPath)
        : options_(std::move(options))
        , outputPath_(std::move(outputPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

private:
    CLIOptions options_;
    std::string outputPath_;
};

} // namespace keyvane
