#include "LearnModeRunner.h"

#include "AtomicFile.h"
#include "Models.h"
#include "TextFormat.h"
#include "UnicodeText.h"
#include "WordTokenizer.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

namespace keyvane {
namespace {

double truncatedToHundredths(double value) { return std::trunc(value * 100.0) / 100.0; }

// The text padded with blanks, or cut, to width characters.
std::string fitted(const std::string& text, std::size_t width) {
    std::vector<std::string> chars = UnicodeText::graphemes(text);
    std::string out;
    for (std::size_t i = 0; i < width; ++i) {
        out += i < chars.size() ? chars[i] : " ";
    }
    return out;
}

bool writeProfile(const std::string& path, const std::string& json, std::ostream& err) {
    std::string error;
    if (!AtomicFile::writeAtomically(path, json, &error)) {
        err << "Error: Failed to write profile to " << path << ": " << error << "\n";
        return false;
    }
    return true;
}

StringSet charactersOf(const std::string& text) {
    StringSet set;
    for (std::string& c : UnicodeText::graphemes(text)) {
        set.insert(std::move(c));
    }
    return set;
}

} // namespace

const std::string& ukrainianHarvestAlphabet() {
    static const std::string alphabet = "абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'";
    return alphabet;
}

// ---------------------------------------------------------------------------------------------
// Learn mode

std::vector<KeyvaneMissedCandidate> LearnModeRunner::collectNearMisses(const std::vector<std::string>& words) const {
    std::vector<KeyvaneMissedCandidate> nearMisses;
    std::set<std::string> seen;
    for (const std::string& word : words) {
        if (static_cast<long long>(UnicodeText::length(word)) < options_.minLength) {
            continue;
        }
        auto missed = analyzer_.diagnoseMissed(word, options_.language);
        if (!missed || !missed->finalScore || !missed->threshold) {
            continue;
        }
        const double gap = *missed->threshold - *missed->finalScore;
        if (gap < nearMissMinGap || gap > nearMissMaxGap) {
            continue;
        }
        if (seen.insert(UnicodeText::toLower(word)).second) {
            nearMisses.push_back(std::move(*missed));
        }
    }
    return nearMisses;
}

std::map<std::string, int> LearnModeRunner::countSuffixes(const std::vector<KeyvaneMissedCandidate>& nearMisses) {
    std::map<std::string, int> counts;
    for (const KeyvaneMissedCandidate& miss : nearMisses) {
        if (!miss.expectedSwitchedWord) {
            continue;
        }
        const std::vector<std::string> chars = UnicodeText::graphemes(UnicodeText::toLower(*miss.expectedSwitchedWord));
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
            double boost = std::min(suffixBoostBase + suffixBoostMultiplier * std::log(static_cast<double>(count)),
                                    suffixBoostCap);
            boosts[suffix] = truncatedToHundredths(boost);
        }
    }
    return boosts;
}

int LearnModeRunner::run(std::ostream& out, std::ostream& err) const {
    auto text = TextFormat::readInputFile(options_.file, err);
    if (!text) {
        return 1;
    }
    const std::vector<std::string> words = WordTokenizer::reverseWords(*text);
    const auto nearMisses = collectNearMisses(words);
    const auto boosts = promoteSuffixBoosts(countSuffixes(nearMisses));
    const std::string target = options_.language == ExpectedLanguage::en ? "ru" : "en";

    nlohmann::json profile = {
        {"languages", {{target, {{"commonSuffixBoosts", boosts}}}}},
        {"decision",
         {{"dynamicThresholdCurve",
           {{"enabled", true}, {"baseAtLen5", 42}, {"decayPerShorterLen", 8}, {"floor", 14},
            {"delta_base_at_len_5", 30}, {"delta_decay_per_shorter_len", 8}, {"delta_floor", 10}}}}},
    };
    if (!writeProfile(outputPath_, profile.dump(2) + "\n", err)) {
        return 1;
    }
    out << "Keyvane learn-mode report\n"
        << "File: " << options_.file << "\n"
        << "Validation: " << rawValue(options_.validation) << "\n"
        << "Expected language: " << rawValue(options_.language) << " (target: " << target << ")\n"
        << "Near-miss gap window: [" << static_cast<int>(nearMissMinGap) << ", " << static_cast<int>(nearMissMaxGap)
        << "]\n\n"
        << "Total words processed: " << words.size() << "\n"
        << "Near-miss false negatives: " << nearMisses.size() << "\n"
        << "Suffixes promoted (count >= " << minSuffixCount << "): " << boosts.size() << "\n";
    if (!boosts.empty()) {
        std::vector<std::pair<std::string, double>> sorted(boosts.begin(), boosts.end());
        std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        out << "\nTop suffix boosts:\n";
        for (std::size_t i = 0; i < sorted.size() && i < 20; ++i) {
            out << "  " << fitted(sorted[i].first, 6) << " -> +" << TextFormat::formatted("%.2f", sorted[i].second)
                << "\n";
        }
    }
    out << "\nScoring profile written to: " << outputPath_ << "\n";
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Bigram harvester

int BigramHarvester::run(std::ostream& out, std::ostream& err) const {
    auto text = TextFormat::readInputFile(options_.file, err);
    if (!text) {
        return 1;
    }
    const std::string language = rawValue(options_.language);
    static const StringSet ukrainian = charactersOf(ukrainianHarvestAlphabet());
    auto belongs = [&](const std::string& c) {
        const int32_t scalar = UnicodeText::firstCodePoint(c);
        switch (options_.language) {
        case ExpectedLanguage::en: return (scalar >= 'A' && scalar <= 'Z') || (scalar >= 'a' && scalar <= 'z');
        case ExpectedLanguage::ru: return scalar >= 0x0400 && scalar <= 0x04FF;
        case ExpectedLanguage::uk: return ukrainian.contains(UnicodeText::toLower(c));
        }
        return false;
    };
    std::vector<std::vector<std::string>> words;
    std::vector<std::string> current;
    auto finish = [&] {
        if (!current.empty() && std::all_of(current.begin(), current.end(), belongs)) {
            words.push_back(current);
        }
        current.clear();
    };
    for (std::string& c : UnicodeText::graphemes(*text)) {
        if (UnicodeText::isLetter(c)) {
            current.push_back(std::move(c));
        } else {
            finish();
        }
    }
    finish();
    if (words.empty()) {
        err << "Error: No " << language << "-script words found in " << options_.file << "\n";
        return 1;
    }
    std::map<std::string, long long> counts;
    long long total = 0;
    for (const auto& word : words) {
        for (std::size_t i = 0; i + 1 < word.size(); ++i) {
            counts[UnicodeText::toLower(word[i]) + UnicodeText::toLower(word[i + 1])] += 1;
            ++total;
        }
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
    std::stable_sort(frequent.begin(), frequent.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    if (frequent.size() > static_cast<std::size_t>(topN)) {
        frequent.resize(topN);
    }
    std::map<std::string, double> weights;
    if (!frequent.empty()) {
        const double anchor = std::log(static_cast<double>(frequent.front().second)) - std::log(static_cast<double>(total));
        for (const auto& [bigram, count] : frequent) {
            const double logP = std::log(static_cast<double>(count)) - std::log(static_cast<double>(total));
            weights[bigram] = truncatedToHundredths((logP - anchor) * logSlope + anchorWeight);
        }
    }
    nlohmann::json fragment = {{"languages", {{language, {{"bigramLogWeights", weights}}}}}};
    if (!writeProfile(outputPath_, fragment.dump(2) + "\n", err)) {
        return 1;
    }
    std::vector<std::pair<std::string, double>> byWeight(weights.begin(), weights.end());
    std::sort(byWeight.begin(), byWeight.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    auto row = [&](const std::pair<std::string, double>& entry) {
        out << "  " << fitted(entry.first, 4) << " -> " << (entry.second >= 0 ? "+" : "")
            << TextFormat::formatted("%.2f", entry.second) << "\n";
    };
    out << "Keyvane bigram-harvest report\n"
        << "File: " << options_.file << "\n"
        << "Language: " << language << "\n"
        << "Anchor weight: +" << TextFormat::formatted("%.2f", anchorWeight)
        << "   Log slope: " << TextFormat::formatted("%.2f", logSlope) << "\n"
        << "Min bigram count: " << minBigramCount << "   Top N: " << topN << "\n\n"
        << "Corpus words (in-script): " << words.size() << "\n"
        << "Unique bigrams observed: " << counts.size() << "\n"
        << "Total bigram instances: " << total << "\n"
        << "Bigrams exported (count >= " << minBigramCount << ", capped at top " << topN << "): " << weights.size()
        << "\n\n";
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
        for (std::size_t i = byWeight.size() - std::min<std::size_t>(10, byWeight.size()); i < byWeight.size(); ++i) {
            row(byWeight[i]);
        }
    }
    out << "\nOutput: " << outputPath_ << "\n\n"
        << "Next step: merge the \"bigramLogWeights\" map under\n"
        << "  languages." << language << ".bigram_log_weights\n"
        << "in Resources/keyvane_rules.json\n";
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Word-frequency harvester

int WordFrequencyHarvester::run(std::ostream& out, std::ostream& err) const {
    auto text = TextFormat::readInputFile(options_.file, err);
    if (!text) {
        return 1;
    }
    const std::string language = rawValue(options_.language);
    const int minimum = std::max(options_.minLength, absoluteMinLength);
    static const StringSet en = charactersOf("abcdefghijklmnopqrstuvwxyz");
    static const StringSet ru = charactersOf("абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    static const StringSet uk = charactersOf(ukrainianHarvestAlphabet());
    const StringSet& alphabet = options_.language == ExpectedLanguage::en   ? en
                                : options_.language == ExpectedLanguage::ru ? ru
                                                                            : uk;
    std::map<std::string, long long> counts;
    std::vector<std::string> current;
    auto finish = [&] {
        if (static_cast<int>(current.size()) >= minimum &&
            std::all_of(current.begin(), current.end(), [&](const std::string& c) { return alphabet.contains(c); })) {
            std::string word;
            for (const std::string& c : current) {
                word += c;
            }
            counts[word] += 1;
        }
        current.clear();
    };
    for (const std::string& c : UnicodeText::graphemes(*text)) {
        if (UnicodeText::isLetter(c)) {
            current.push_back(UnicodeText::toLower(c));
        } else {
            finish();
        }
    }
    finish();
    if (counts.empty()) {
        err << "Error: No " << language << "-script words (length >= " << minimum << ") found in " << options_.file
            << "\n";
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
    if (!writeProfile(outputPath_, fragment.dump(2) + "\n", err)) {
        return 1;
    }
    out << "Keyvane word-frequency-harvest report\n"
        << "File: " << options_.file << "\n"
        << "Language: " << language << "\n"
        << "Min word length: " << minimum << "   Min word count: " << minWordCount << "   Top N: " << topN << "\n\n"
        << "Unique words observed: " << counts.size() << "\n"
        << "Words exported (count >= " << minWordCount << ", capped at top " << topN << "): " << kept.size()
        << "\n\nTop 25 words:\n";
    for (std::size_t i = 0; i < kept.size() && i < 25; ++i) {
        out << "  " << fitted(kept[i].first, 16) << " " << kept[i].second << "\n";
    }
    out << "\nOutput: " << outputPath_ << "\n\n"
        << "Next step: merge the \"common_words\" array under\n"
        << "  languages." << language << ".common_words\n"
        << "in ~/.config/keyvane/keyvane_rules.json\n"
        << "(union with the existing curated list; do not blindly replace).\n";
    return 0;
}

} // namespace keyvane
