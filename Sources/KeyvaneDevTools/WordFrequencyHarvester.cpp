// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/WordFrequencyHarvester.h"

#include "KeyvaneCore/LanguageConfig.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

namespace keyvane {

int WordFrequencyHarvester::run(std::ostream& out, std::ostream& err) const {
    const std::string language = toString(options_.language);
    const int minimum = std::max(options_.minLength, absoluteMinLength);
    const StringSet& alphabet = LanguageDefaults::defaultScriptAlphabet(options_.language);
    std::map<std::string, long long> counts;
    std::vector<std::string> current;
    auto finish = [&] {
        if (static_cast<int>(current.size()) >= minimum &&
            std::all_of(current.begin(), current.end(),
                        [&](const std::string& c) { return alphabet.contains(c); })) {
            std::string word;
            for (const std::string& c : current) {
                word += c;
            }
            counts[word] += 1;
        }
        current.clear();
    };
    // An apostrophe between two letters is part of a word where the alphabet writes one ("п'ять",
    // "ім’я", "сім'ї"): kept, in its plain form, instead of splitting the word.
    const bool apostropheInWords = alphabet.contains("'");
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        const std::vector<std::string> chars = UnicodeText::graphemes(line);
        for (std::size_t i = 0; i < chars.size(); ++i) {
            const std::string& c = chars[i];
            const bool apostrophe = c == "'" || c == "’" || c == "ʼ"; // "ʼ" counts as a letter in Unicode
            if (apostrophe) {
                if (apostropheInWords && !current.empty() && i + 1 < chars.size() &&
                    UnicodeText::isLetter(chars[i + 1])) {
                    current.push_back("'");
                } else {
                    finish();
                }
            } else if (UnicodeText::isLetter(c)) {
                current.push_back(UnicodeText::toLower(c));
            } else {
                finish();
            }
        }
        finish();
    });
    if (!read) {
        return 1;
    }
    if (counts.empty()) {
        err << "Error: No " << language << "-script words (length >= " << minimum << ") found in "
            << options_.file << "\n";
        return 1;
    }
    std::vector<std::pair<std::string, long long>> kept;
    for (const auto& [word, count] : counts) {
        if (count >= minWordCount) {
            kept.emplace_back(word, count);
        }
    }
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    if (kept.size() > static_cast<std::size_t>(topN)) {
        kept.resize(topN);
    }
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& [word, count] : kept) {
        list.push_back(word);
    }
    nlohmann::ordered_json fragment = {{"languages", {{language, {{"common_words", list}}}}}};
    if (!TextFormat::writeOutputFile(outputPath_, fragment.dump(2) + "\n", err)) {
        return 1;
    }
    out << "Keyvane word-frequency-harvest report\n"
        << "File: " << options_.file << "\n"
        << "Language: " << language << "\n"
        << "Min word length: " << minimum << "   Min word count: " << minWordCount << "   Top N: " << topN
        << "\n\n"
        << "Unique words observed: " << counts.size() << "\n"
        << "Words exported (count >= " << minWordCount << ", capped at top " << topN << "): " << kept.size()
        << "\n\nTop 25 words:\n";
    for (std::size_t i = 0; i < kept.size() && i < 25; ++i) {
        out << "  " << TextFormat::fitted(kept[i].first, 16) << " " << kept[i].second << "\n";
    }
    out << "\nOutput: " << outputPath_ << "\n\n"
        << "Next step: merge the \"common_words\" array under\n"
        << "  languages." << language << ".common_words\n"
        << "in ~/.config/keyvane/keyvane_rules.json\n"
        << "(union with the existing curated list; do not blindly replace).\n";
    return 0;
}

} // namespace keyvane
