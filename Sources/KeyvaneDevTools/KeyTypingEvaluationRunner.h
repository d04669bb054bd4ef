// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneDevTools/CLIOptions.h"

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace keyvane {

// Measures the engine as people type: every line of a text in one language is typed key for key,
// punctuation included, on each other active layout, the words in turn as the live program sees
// them (the typed layout active, the line's language and the session language following the
// corrections). A word counts when it has two or more letters and no digit and its layout has a
// key for every character of it; it is recovered only when the correction gives
// back exactly the text as written, case and punctuation included. The same text typed on its own
// layout tells how often correct text would be changed.
class KeyTypingEvaluationRunner {
public:
    struct Sample {
        std::string original;
        std::string typed;
        std::string result; // the correction, empty when the word was left alone
        std::string reason;
    };
    struct Tally {
        long long words = 0;
        long long recovered = 0;
        long long otherText = 0;
        long long missed = 0;
        std::map<std::string, long long> missedReasons;
        std::vector<Sample> otherSamples;
        std::vector<Sample> missedSamples;
    };

    KeyTypingEvaluationRunner(CLIOptions options, const RulesEngine& engine, std::string reportPath)
        : options_(std::move(options))
        , engine_(engine)
        , reportPath_(std::move(reportPath)) {}

    int run(std::ostream& out, std::ostream& err) const;

    // The words of the input file, written in `source`, typed on `layout` line by line; nothing
    // (and the error line on err) when the file cannot be read. On its own layout `otherText`
    // counts the correct words that were changed.
    std::optional<Tally> typeOn(Language source, Language layout, std::ostream& err) const;

    static constexpr std::size_t maxSamples = 5000;

private:
    bool counts(const std::string& word, Language source) const;
    // Whether every character of the word is on a key of the source language's layout: a word
    // written with "[" or "«" cannot be typed key for key on the Russian layout, so it is no
    // measure of typing on the wrong one.
    bool typeableOn(const std::string& word, Language source) const;

    CLIOptions options_;
    const RulesEngine& engine_;
    std::string reportPath_;
};

} // namespace keyvane
