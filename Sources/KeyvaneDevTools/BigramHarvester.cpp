// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/BigramHarvester.h"

#include "KeyvaneCore/LanguageConfig.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <nlohmann/json.hpp>

namespace keyvane {

int BigramHarvester::run(std::ostream& out, std::ostream& err) const {
    const std::string language = toString(options_.language);
    const StringSet& ukrainian =
        LanguageDefaults::defaultScriptAlphabet(Language::uk); // 33 letters and the apostrophe
    auto belongs = [&](const std::string& c) {
        const int32_t scalar = UnicodeText::firstCodePoint(c);
        switch (options_.language) {
        case Language::en: return (scalar >= 'A' && scalar <= 'Z') || (scalar >= 'a' && scalar <= 'z');
        case Language::ru: return scalar >= 0x0400 && scalar <= 0x04FF;
        case Language::uk: return ukrainian.contains(UnicodeText::toLower(c));
        }
        return false;
    };
    // Words are counted as they are read, so that the text is never held whole.
    long long wordCount = 0;
    std::map<std::string, long long> counts;
    long long total = 0;
    std::vector<std::string> current;
    auto finish = [&] {
        if (!current.empty() && std::all_of(current.begin(), current.end(), belongs)) {
            ++wordCount;
            for (std::size_t i = 0; i + 1 < current.size(); ++i) {
                counts[UnicodeText::toLower(current[i]) + UnicodeText::toLower(current[i + 1])] += 1;
                ++total;
            }
        }
        current.clear();
    };
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        for (std::string& c : UnicodeText::graphemes(line)) {
            if (UnicodeText::isLetter(c)) {
                current.push_back(std::move(c));
            } else {
                finish();
            }
        }
        finish();
    });
    if (!read) {
        return 1;
    }
    if (wordCount == 0) {
        err << "Error: No " << language << "-script words found in " << options_.file << "\n";
        return 1;
    }
    if (total < 1) {
        err << "Error: Words present but no bigrams extracted (all words length < 2?)\n";
        return 1;
    }
    std::vector<std::pair<std::string, long long>> frequent;
    for (const auto& [bigram, count] : counts) {
        if (count >= minBigramCount) {
            frequent.emplace_back(bigram, count);
        }
    }
    std::stable_sort(frequent.begin(), frequent.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    if (frequent.size() > static_cast<std::size_t>(topN)) {
        frequent.resize(topN);
    }
    std::map<std::string, double> weights;
    if (!frequent.empty()) {
        const double anchor =
            std::log(static_cast<double>(frequent.front().second)) - std::log(static_cast<double>(total));
        for (const auto& [bigram, count] : frequent) {
            const double logP = std::log(static_cast<double>(count)) - std::log(static_cast<double>(total));
            weights[bigram] = TextFormat::truncatedToHundredths((logP - anchor) * logSlope + anchorWeight);
        }
    }
    nlohmann::json fragment = {{"languages", {{language, {{"bigramLogWeights", weights}}}}}};
    if (!TextFormat::writeOutputFile(outputPath_, fragment.dump(2) + "\n", err)) {
        return 1;
    }
    std::vector<std::pair<std::string, double>> byWeight(weights.begin(), weights.end());
    std::sort(byWeight.begin(), byWeight.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    auto row = [&](const std::pair<std::string, double>& entry) {
        out << "  " << TextFormat::fitted(entry.first, 4) << " -> " << (entry.second >= 0 ? "+" : "")
            << TextFormat::formatted("%.2f", entry.second) << "\n";
    };
    out << "Keyvane bigram-harvest report\n"
        << "File: " << options_.file << "\n"
        << "Language: " << language << "\n"
        << "Anchor weight: +" << TextFormat::formatted("%.2f", anchorWeight)
        << "   Log slope: " << TextFormat::formatted("%.2f", logSlope) << "\n"
        << "Min bigram count: " << minBigramCount << "   Top N: " << topN << "\n\n"
        << "Corpus words (in-script): " << wordCount << "\n"
        << "Unique bigrams observed: " << counts.size() << "\n"
        << "Total bigram instances: " << total << "\n"
        << "Bigrams exported (count >= " << minBigramCount << ", capped at top " << topN
        << "): " << weights.size() << "\n\n";
    if (!byWeight.empty()) {
        out << "Weight range: [" << TextFormat::formatted("%.2f", byWeight.back().second) << " ... +"
            << TextFormat::formatted("%.2f", byWeight.front().second) << "]\n\n";
    }
    out << "Top 25 bigrams:\n";
    for (std::size_t i = 0; i < byWeight.size() && i < 25; ++i) {
        row(byWeight[i]);
    }
    if (byWeight.size() > 25) {
        out << "  ...\nBottom 10 of exported set:\n";
        for (std::size_t i = byWeight.size() - std::min<std::size_t>(10, byWeight.size());
             i < byWeight.size(); ++i) {
            row(byWeight[i]);
        }
    }
    out << "\nOutput: " << outputPath_ << "\n\n"
        << "Next step: merge the \"bigramLogWeights\" map under\n"
        << "  languages." << language << ".bigram_log_weights\n"
        << "in Resources/keyvane_rules.json\n";
    return 0;
}

} // namespace keyvane
