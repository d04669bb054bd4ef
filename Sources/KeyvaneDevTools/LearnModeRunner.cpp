// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/LearnModeRunner.h"

#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"
#include "KeyvaneDevTools/WordTokenizer.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

namespace keyvane {

void LearnModeRunner::noteNearMiss(const std::string& word, std::set<std::string>& seen,
                                   std::vector<KeyvaneMissedCandidate>& nearMisses) const {
    if (static_cast<long long>(UnicodeText::length(word)) < options_.minLength) {
        return;
    }
    auto missed = analyzer_.diagnoseMissed(word, options_.language);
    if (!missed || !missed->finalScore || !missed->threshold) {
        return;
    }
    const double gap = *missed->threshold - *missed->finalScore;
    if (gap < nearMissMinGap || gap > nearMissMaxGap) {
        return;
    }
    if (seen.insert(UnicodeText::toLower(word)).second) {
        nearMisses.push_back(std::move(*missed));
    }
}

std::map<std::string, int>
LearnModeRunner::countSuffixes(const std::vector<KeyvaneMissedCandidate>& nearMisses) {
    std::map<std::string, int> counts;
    for (const KeyvaneMissedCandidate& miss : nearMisses) {
        if (!miss.expectedSwitchedWord) {
            continue;
        }
        const std::vector<std::string> chars =
            UnicodeText::graphemes(UnicodeText::toLower(*miss.expectedSwitchedWord));
        for (std::size_t length : {2u, 3u, 4u}) {
            if (length < chars.size()) {
                std::string suffix;
                for (std::size_t i = chars.size() - length; i < chars.size(); ++i) {
                    suffix += chars[i];
                }
                counts[suffix] += 1;
            }
        }
    }
    return counts;
}

std::map<std::string, double> LearnModeRunner::promoteSuffixBoosts(const std::map<std::string, int>& counts) {
    std::map<std::string, double> boosts;
    for (const auto& [suffix, count] : counts) {
        if (count >= minSuffixCount) {
            double boost =
                std::min(suffixBoostBase + suffixBoostMultiplier * std::log(static_cast<double>(count)),
                         suffixBoostCap);
            boosts[suffix] = TextFormat::truncatedToHundredths(boost);
        }
    }
    return boosts;
}

int LearnModeRunner::run(std::ostream& out, std::ostream& err) const {
    std::size_t total = 0;
    std::set<std::string> seen;
    std::vector<KeyvaneMissedCandidate> nearMisses;
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        for (const std::string& word : WordTokenizer::reverseWords(line)) {
            ++total;
            noteNearMiss(word, seen, nearMisses);
        }
    });
    if (!read) {
        return 1;
    }
    const auto boosts = promoteSuffixBoosts(countSuffixes(nearMisses));
    const std::string target = options_.language == Language::en ? "ru" : "en";

    nlohmann::json profile = {
        {"languages", {{target, {{"commonSuffixBoosts", boosts}}}}},
        {"decision",
         {{"dynamicThresholdCurve",
           {{"enabled", true},
            {"baseAtLen5", 42},
            {"decayPerShorterLen", 8},
            {"floor", 14},
            {"delta_base_at_len_5", 30},
            {"delta_decay_per_shorter_len", 8},
            {"delta_floor", 10}}}}},
    };
    if (!TextFormat::writeOutputFile(outputPath_, profile.dump(2) + "\n", err)) {
        return 1;
    }
    out << "Keyvane learn-mode report\n"
        << "File: " << options_.file << "\n"
        << "Validation: " << toString(options_.validation) << "\n"
        << "Expected language: " << toString(options_.language) << " (target: " << target << ")\n"
        << "Near-miss gap window: [" << static_cast<int>(nearMissMinGap) << ", "
        << static_cast<int>(nearMissMaxGap) << "]\n\n"
        << "Total words processed: " << total << "\n"
        << "Near-miss false negatives: " << nearMisses.size() << "\n"
        << "Suffixes promoted (count >= " << minSuffixCount << "): " << boosts.size() << "\n";
    if (!boosts.empty()) {
        std::vector<std::pair<std::string, double>> sorted(boosts.begin(), boosts.end());
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        out << "\nTop suffix boosts:\n";
        for (std::size_t i = 0; i < sorted.size() && i < 20; ++i) {
            out << "  " << TextFormat::fitted(sorted[i].first, 6) << " -> +"
                << TextFormat::formatted("%.2f", sorted[i].second) << "\n";
        }
    }
    out << "\nScoring profile written to: " << outputPath_ << "\n";
    return 0;
}

} // namespace keyvane
