// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/KeyTypingEvaluationRunner.h"

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/LineLanguageEvidence.h"
#include "KeyvaneCore/SessionLanguageTracker.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

namespace keyvane {
namespace {

// The live program's streak of words before a session language is believed.
constexpr int sessionStreak = 3;

double percent(long long part, long long total) {
    return total == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(total);
}

nlohmann::json samplesJSON(const std::vector<KeyTypingEvaluationRunner::Sample>& samples) {
    nlohmann::json array = nlohmann::json::array();
    for (const auto& s : samples) {
        array.push_back(
            {{"original", s.original}, {"typed", s.typed}, {"result", s.result}, {"reason", s.reason}});
    }
    return array;
}

} // namespace

bool KeyTypingEvaluationRunner::counts(const std::string& word, Language source) const {
    const LanguageConfig& language = engine_.config().languages.at(source);
    int letters = 0;
    for (const std::string& c : UnicodeText::graphemes(word)) {
        if (UnicodeText::isNumeric(c)) {
            return false;
        }
        if (UnicodeText::isLetter(c)) {
            if (!language.scriptAlphabet.contains(UnicodeText::toLower(c))) {
                return false; // a word of another script: not typed in this language
            }
            ++letters;
        }
    }
    return letters >= 2;
}

bool KeyTypingEvaluationRunner::typeableOn(const std::string& word, Language source) const {
    const KeyboardLayoutConfig& keyboard = engine_.config().keyboardLayout;
    auto isKey = [](const KeyboardMapsByDirection& maps, const LayoutDirection& direction,
                    const std::string& c) {
        auto map = maps.find(direction);
        return map != maps.end() && map->second.contains(c);
    };
    const LayoutDirection fromSource{source, Language::en};
    const LayoutDirection intoSource{Language::en, source};
    for (const std::string& c : UnicodeText::graphemes(word)) {
        const bool ascii = c.size() == 1 && c[0] >= 0x20 && c[0] < 0x7f;
        if (source == Language::en) {
            if (!ascii) {
                return false;
            }
            continue;
        }
        // A key of this layout that differs from English, or an English character on a key where
        // this layout types the same one.
        const bool ownKey = isKey(keyboard.maps, fromSource, c) || isKey(keyboard.shiftMaps, fromSource, c);
        const bool sharedKey =
            ascii && !isKey(keyboard.maps, intoSource, c) && !isKey(keyboard.shiftMaps, intoSource, c);
        if (!ownKey && !sharedKey) {
            return false;
        }
    }
    return true;
}

std::optional<KeyTypingEvaluationRunner::Tally>
KeyTypingEvaluationRunner::typeOn(Language source, Language layout, std::ostream& err) const {
    Tally tally;
    SessionLanguageTracker tracker(sessionStreak);
    const LayoutDirection keys{source, layout};
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        LineLanguageEvidence lineEvidence;
        for (const std::string& word : UnicodeText::splitOnWhitespace(line)) {
            const std::string typed = source == layout ? word : engine_.mapToken(word, keys);
            const RulesDecision decision = engine_.evaluate(
                typed, "cli.keytyping", false, layout, tracker.sessionLanguage(), lineEvidence.context());
            lineEvidence.recordWord(engine_, typed, decision);
            const std::string result =
                decision.shouldCorrect() ? decision.correctedToken.value_or("") : typed;
            tracker.recordWord(decision.shouldCorrect()
                                   ? (decision.targetLanguage ? decision.targetLanguage
                                                              : engine_.uniqueAlphabetLanguage(result))
                                   : engine_.uniqueAlphabetLanguage(typed));
            if (!counts(word, source) || (source != layout && (typed == word || !typeableOn(word, source)))) {
                continue;
            }
            ++tally.words;
            Sample sample{word, typed, decision.shouldCorrect() ? result : "", toString(decision.reason)};
            if (result == word && (decision.shouldCorrect() || source == layout)) {
                ++tally.recovered;
            } else if (decision.shouldCorrect()) {
                ++tally.otherText;
                if (tally.otherSamples.size() < maxSamples) {
                    tally.otherSamples.push_back(std::move(sample));
                }
            } else {
                ++tally.missed;
                ++tally.missedReasons[sample.reason];
                if (tally.missedSamples.size() < maxSamples) {
                    tally.missedSamples.push_back(std::move(sample));
                }
            }
        }
    });
    if (!read) {
        return std::nullopt;
    }
    return tally;
}

int KeyTypingEvaluationRunner::run(std::ostream& out, std::ostream& err) const {
    const Language source = options_.language;
    const RulesConfig& config = engine_.config();
    if (!config.languages.contains(source)) {
        err << "Error: Language '" << source << "' is not configured in the rules file.\n";
        return 1;
    }
    std::vector<Language> layouts;
    for (Language key : config.activeLanguages) {
        if (key != source && config.languages.contains(key)) {
            layouts.push_back(key);
        }
    }
    if (layouts.empty()) {
        err << "Error: No other active languages to type '" << source << "' on.\n";
        return 1;
    }

    // Every tally first, so that a file that cannot be read prints nothing but its error.
    std::vector<Tally> tallies;
    for (Language layout : layouts) {
        std::optional<Tally> tally = typeOn(source, layout, err);
        if (!tally) {
            return 1;
        }
        tallies.push_back(std::move(*tally));
    }
    const std::optional<Tally> ownTally = typeOn(source, source, err);
    if (!ownTally) {
        return 1;
    }
    const Tally& own = *ownTally;

    nlohmann::json report = {{"sourceLanguage", source},
                             {"activeLanguages", config.activeLanguages},
                             {"file", options_.file},
                             {"layouts", nlohmann::json::object()}};
    out << "Keyvane key-by-key typing evaluation\n"
        << "File: " << options_.file << "\n"
        << "Written in: " << source << "; active: ";
    for (std::size_t i = 0; i < config.activeLanguages.size(); ++i) {
        out << (i == 0 ? "" : ", ") << config.activeLanguages[i];
    }
    out << "\n\n";
    for (std::size_t l = 0; l < layouts.size(); ++l) {
        const Language layout = layouts[l];
        const Tally& t = tallies[l];
        out << "=== " << source << " typed on the " << layout << " layout ===\n"
            << TextFormat::formatted("  Words typed        : %lld\n", t.words)
            << TextFormat::formatted("  Recovered as meant : %lld  (%.2f%%)\n", t.recovered,
                                     percent(t.recovered, t.words))
            << TextFormat::formatted("  Other text         : %lld  (%.2f%%)\n", t.otherText,
                                     percent(t.otherText, t.words))
            << TextFormat::formatted("  Missed             : %lld  (%.2f%%)\n", t.missed,
                                     percent(t.missed, t.words));
        for (std::size_t i = 0; i < t.otherSamples.size() && i < 8; ++i) {
            const Sample& s = t.otherSamples[i];
            out << "    other: " << s.original << "  --typed-->  " << s.typed << "  -->  " << s.result
                << "\n";
        }
        for (std::size_t i = 0; i < t.missedSamples.size() && i < 8; ++i) {
            const Sample& s = t.missedSamples[i];
            out << "    missed: " << s.original << "  --typed-->  " << s.typed << "  (" << s.reason << ")\n";
        }
        report["layouts"][toString(layout)] = {{"words", t.words},
                                               {"recovered", t.recovered},
                                               {"otherText", t.otherText},
                                               {"missed", t.missed},
                                               {"missedReasons", t.missedReasons},
                                               {"otherSamples", samplesJSON(t.otherSamples)},
                                               {"missedSamples", samplesJSON(t.missedSamples)}};
    }
    out << "=== " << source << " typed on its own layout ===\n"
        << TextFormat::formatted("  Words typed        : %lld\n", own.words)
        << TextFormat::formatted("  Changed            : %lld  (%.2f%%)\n", own.otherText,
                                 percent(own.otherText, own.words));
    for (std::size_t i = 0; i < own.otherSamples.size() && i < 8; ++i) {
        out << "    changed: " << own.otherSamples[i].original << "  -->  " << own.otherSamples[i].result
            << "\n";
    }
    report["ownLayout"] = {
        {"words", own.words}, {"changed", own.otherText}, {"changedSamples", samplesJSON(own.otherSamples)}};
    AtomicFile::writeAtomically(reportPath_,
                                report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    out << "\nReport: " << reportPath_ << "\n";
    return 0;
}

} // namespace keyvane
