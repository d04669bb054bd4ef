// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/RoundTripEvaluationRunner.h"

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

namespace keyvane {
namespace {

std::string joined(const std::vector<std::string>& items, const std::string& separator) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : separator) + items[i];
    }
    return out;
}

std::string joined(const std::vector<Language>& languages, const std::string& separator) {
    std::vector<std::string> codes;
    for (Language language : languages) {
        codes.emplace_back(toString(language));
    }
    return joined(codes, separator);
}

std::string csvField(const std::string& field) {
    if (field.find_first_of(",\"") == std::string::npos) {
        return field;
    }
    std::string quoted = "\"";
    for (char c : field) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + "\"";
}

std::vector<std::pair<std::string, long long>>
byCountDescending(const std::map<std::string, long long>& counts) {
    std::vector<std::pair<std::string, long long>> sorted(counts.begin(), counts.end());
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    return sorted;
}

double percent(long long part, long long total) {
    return total == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(total);
}

} // namespace

void RoundTripEvaluationRunner::extractWords(const std::string& line, Language sourceLang, int minLength,
                                             std::set<std::string>* seen,
                                             const std::function<void(const std::string&)>& onWord) const {
    const LanguageConfig& language = engine_.config().languages.at(sourceLang);
    std::vector<std::string> current;
    auto finish = [&]() {
        bool keep = static_cast<int>(current.size()) >= minLength &&
                    std::all_of(current.begin(), current.end(),
                                [&](const std::string& c) { return language.scriptAlphabet.contains(c); });
        if (keep) {
            std::string word;
            for (const std::string& c : current) {
                word += c;
            }
            if (seen == nullptr || seen->insert(word).second) {
                onWord(word);
            }
        }
        current.clear();
    };
    for (const std::string& c : UnicodeText::graphemes(line)) {
        if (UnicodeText::isLetter(c) || c == "'" || c == "’") {
            current.push_back(UnicodeText::toLower(c));
        } else {
            finish();
        }
    }
    finish();
}

KeyboardMap RoundTripEvaluationRunner::renderingMap(Language from, Language to) const {
    const auto& maps = engine_.config().keyboardLayout.maps;
    if (auto direct = maps.find(LayoutDirection{from, to}); direct != maps.end()) {
        return direct->second;
    }
    KeyboardMap inverted;
    if (auto reverse = maps.find(LayoutDirection{to, from}); reverse != maps.end()) {
        for (const auto& [key, value] : reverse->second) {
            inverted.try_emplace(value, key);
        }
    }
    return inverted;
}

std::string RoundTripEvaluationRunner::winningLanguage(const std::string& corrected) const {
    std::string letters;
    std::vector<std::string> letterChars;
    for (const std::string& c : UnicodeText::graphemes(corrected)) {
        if (UnicodeText::isLetter(c)) {
            letters += c;
            letterChars.push_back(c);
        }
    }
    std::vector<std::string> noted;
    for (Language key : engine_.config().activeLanguages) {
        auto language = engine_.config().languages.find(key);
        if (language == engine_.config().languages.end() || letterChars.empty()) {
            continue;
        }
        bool fits = std::all_of(letterChars.begin(), letterChars.end(), [&](const std::string& c) {
            return language->second.scriptAlphabet.contains(c);
        });
        if (!fits) {
            continue;
        }
        noted.emplace_back(toString(key));
        if (language->second.commonWords.contains(corrected)) {
            return toString(key);
        }
    }
    if (noted.empty()) {
        return "unknown";
    }
    return joined(noted, "|");
}

int RoundTripEvaluationRunner::run(std::ostream& out, std::ostream& err) const {
    const Language sourceLanguage = options_.language;
    const std::string source = toString(sourceLanguage);
    const RulesConfig& config = engine_.config();
    if (!config.languages.contains(sourceLanguage)) {
        err << "Error: Language '" << source << "' is not configured in the rules file.\n";
        return 1;
    }
    std::vector<Language> typedLanguages;
    std::vector<std::string> typedLayouts;
    for (Language key : config.activeLanguages) {
        if (key != sourceLanguage) {
            typedLanguages.push_back(key);
            typedLayouts.emplace_back(toString(key));
        }
    }
    if (typedLayouts.empty()) {
        std::vector<std::string> quoted;
        for (Language key : config.activeLanguages) {
            quoted.push_back("\"" + std::string(toString(key)) + "\"");
        }
        err << "Error: No other active languages to render '" << source << "' into. active_languages=["
            << joined(quoted, ", ") << "]\n";
        return 1;
    }
    const int minimum = std::max(options_.minLength, absoluteMinLength);
    std::map<std::string, Cell> cells;
    std::vector<KeyboardMap> renderMaps;
    for (std::size_t t = 0; t < typedLayouts.size(); ++t) {
        renderMaps.push_back(renderingMap(sourceLanguage, typedLanguages[t]));
        cells[source + "->" + typedLayouts[t]];
    }
    std::size_t wordCount = 0;
    auto testWord = [&](const std::string& word) {
        ++wordCount;
        const std::vector<std::string> chars = UnicodeText::graphemes(word);
        for (std::size_t t = 0; t < typedLayouts.size(); ++t) {
            std::string rendered;
            bool punctuation = false;
            for (const std::string& c : chars) {
                auto it = renderMaps[t].find(c);
                const std::string& image = it == renderMaps[t].end() ? c : it->second;
                punctuation = punctuation || !UnicodeText::isLetter(image);
                rendered += image;
            }
            if (rendered == word) {
                continue;
            }
            Cell& cell = cells[source + "->" + typedLayouts[t]];
            cell.total += 1;
            cell.punctRendered += punctuation ? 1 : 0;
            RulesDecision decision =
                engine_.evaluate(rendered, "cli.roundtrip", false, std::nullopt, std::nullopt);
            const std::string reason = toString(decision.reason);
            if (decision.shouldCorrect()) {
                std::string corrected = decision.correctedToken.value_or("");
                if (UnicodeText::toLower(corrected) == word) {
                    cell.correct += 1;
                } else {
                    cell.wrong += 1;
                    std::string winner = winningLanguage(corrected);
                    cell.wrongByLang[winner] += 1;
                    if (cell.wrongSamples.size() < maxSamplesPerClass) {
                        cell.wrongSamples.push_back({word, rendered, corrected, winner, reason});
                    }
                }
            } else {
                cell.missed += 1;
                cell.missedReasons[reason] += 1;
                if (cell.missedSamples.size() < maxSamplesPerClass) {
                    cell.missedSamples.push_back({word, rendered, "", "", reason});
                }
            }
        }
    };
    std::set<std::string> seen;
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        extractWords(line, sourceLanguage, minimum, options_.unique ? &seen : nullptr, testWord);
    });
    if (!read) {
        return 1;
    }
    if (wordCount == 0) {
        err << "Error: No " << source << "-script words (length >= " << minimum << ") found in "
            << options_.file << "\n";
        return 1;
    }
    writeReport(cells, source, wordCount);
    writeCSV(cells, source);
    printSummary(out, cells, source, typedLayouts, wordCount);
    return 0;
}

void RoundTripEvaluationRunner::writeReport(const std::map<std::string, Cell>& cells,
                                            const std::string& sourceLang, std::size_t wordCount) const {
    using nlohmann::json;
    auto samples = [](const std::vector<Sample>& list) {
        json array = json::array();
        for (std::size_t i = 0; i < list.size() && i < maxJSONSamplesPerClass; ++i) {
            const Sample& s = list[i];
            array.push_back({{"original", s.original},
                             {"rendered", s.rendered},
                             {"corrected", s.corrected},
                             {"winningLang", s.winningLang},
                             {"reason", s.reason}});
        }
        return array;
    };
    json report = {{"sourceLanguage", sourceLang},
                   {"activeLanguages", engine_.config().activeLanguages},
                   {"uniqueWords", wordCount},
                   {"cells", json::object()}};
    for (const auto& [key, cell] : cells) {
        report["cells"][key] = {
            {"total", cell.total},
            {"correct", cell.correct},
            {"wrong", cell.wrong},
            {"missed", cell.missed},
            {"punctRendered", cell.punctRendered},
            {"recall",
             cell.total == 0 ? 0.0 : static_cast<double>(cell.correct) / static_cast<double>(cell.total)},
            {"missedReasons", cell.missedReasons},
            {"wrongByLang", cell.wrongByLang},
            {"wrongSamples", samples(cell.wrongSamples)},
            {"missedSamples", samples(cell.missedSamples)},
        };
    }
    AtomicFile::writeAtomically(reportPath_,
                                report.dump(2, ' ', false, json::error_handler_t::replace) + "\n");
}

void RoundTripEvaluationRunner::writeCSV(const std::map<std::string, Cell>& cells,
                                         const std::string& sourceLang) const {
    std::vector<std::string> lines{
        "source_lang,typed_layout,outcome,original,rendered,corrected,winning_lang,reason"};
    for (const auto& [key, cell] : cells) {
        const std::string typed = key.substr(sourceLang.size() + 2);
        auto add = [&](const char* outcome, const Sample& s) {
            lines.push_back(joined({csvField(sourceLang), csvField(typed), outcome, csvField(s.original),
                                    csvField(s.rendered), csvField(s.corrected), csvField(s.winningLang),
                                    csvField(s.reason)},
                                   ","));
        };
        for (const Sample& s : cell.wrongSamples) {
            add("WRONG", s);
        }
        for (const Sample& s : cell.missedSamples) {
            add("MISSED", s);
        }
    }
    AtomicFile::writeAtomically(csvPath_, joined(lines, "\n"));
}

void RoundTripEvaluationRunner::printSummary(std::ostream& out, const std::map<std::string, Cell>& cells,
                                             const std::string& sourceLang,
                                             const std::vector<std::string>& typedLayouts,
                                             std::size_t wordCount) const {
    out << "Keyvane round-trip evaluation report\n"
        << "File: " << options_.file << "\n"
        << "Source language (true): " << sourceLang << "\n"
        << "Active arena: " << joined(engine_.config().activeLanguages, ", ") << "\n"
        << "Unique in-script words tested: " << wordCount << "\n\n";
    for (const std::string& typed : typedLayouts) {
        auto found = cells.find(sourceLang + "->" + typed);
        if (found == cells.end()) {
            continue;
        }
        const Cell& cell = found->second;
        out << "=== " << sourceLang << " typed on " << typed << " layout  (" << sourceLang << "->" << typed
            << ") ===\n"
            << TextFormat::formatted(
                   "  Renderings tested : %lld  (of which %lld carry a punctuation-key char)\n", cell.total,
                   cell.punctRendered)
            << TextFormat::formatted("  CORRECT (recovered): %lld  (%.1f%%)\n", cell.correct,
                                     percent(cell.correct, cell.total))
            << TextFormat::formatted("  WRONG   (mis-fixed): %lld  (%.1f%%)\n", cell.wrong,
                                     percent(cell.wrong, cell.total))
            << TextFormat::formatted("  MISSED  (no switch): %lld  (%.1f%%)\n", cell.missed,
                                     percent(cell.missed, cell.total));
        if (cell.wrong > 0) {
            std::vector<std::string> entries;
            for (const auto& [label, count] : byCountDescending(cell.wrongByLang)) {
                entries.push_back(label + "=" + std::to_string(count));
            }
            out << "  WRONG corrected into: " << joined(entries, ", ") << "\n";
        }
        if (cell.missed > 0) {
            out << "  Top miss reasons:\n";
            auto reasons = byCountDescending(cell.missedReasons);
            for (std::size_t i = 0; i < reasons.size() && i < 6; ++i) {
                out << TextFormat::formatted("    %-32s %lld\n", reasons[i].first.c_str(), reasons[i].second);
            }
        }
        if (!cell.wrongSamples.empty()) {
            out << "  WRONG examples:\n";
            for (std::size_t i = 0; i < cell.wrongSamples.size() && i < 6; ++i) {
                const Sample& s = cell.wrongSamples[i];
                out << "    " << s.original << "  --typed-->  " << s.rendered << "  --engine-->  "
                    << s.corrected << " [" << s.winningLang << "]\n";
            }
        }
        out << "\n";
    }
    out << "Artifacts:\n  JSON: " << reportPath_ << "\n  CSV : " << csvPath_ << "\n";
}

} // namespace keyvane
