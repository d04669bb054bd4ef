// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/TextVerificationRunner.h"

#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"
#include "KeyvaneDevTools/VerificationReportWriter.h"
#include "KeyvaneDevTools/WordTokenizer.h"

#include <map>
#include <optional>
#include <vector>

namespace keyvane {

std::optional<KeyvaneMissedCandidate> TextVerificationRunner::missedBy(const std::string& word) const {
    if (static_cast<long long>(UnicodeText::length(word)) < options_.minLength) {
        return std::nullopt;
    }
    return analyzer_.diagnoseMissed(word, options_.language);
}

std::optional<KeyvaneCandidate> TextVerificationRunner::switchedBy(const std::string& word) const {
    RulesDecision decision =
        analyzer_.engine().evaluate(word, "cli.verification", false, std::nullopt, std::nullopt);
    if (!decision.shouldCorrect()) {
        return std::nullopt;
    }
    auto direction = KeyvaneDiagnosticAnalyzer::detectDirection(word);
    const auto wanted = directionFor(options_.language);
    if (!direction || !wanted || *direction != *wanted) {
        return std::nullopt;
    }
    return KeyvaneCandidate{word,
                            *decision.correctedToken,
                            *direction,
                            options_.language,
                            KeyvaneDiagnosticAnalyzer::humanReason(toString(decision.reason)),
                            decision.confidence};
}

int TextVerificationRunner::run(std::ostream& out, std::ostream& err) const {
    const bool reverse = options_.validation == VerificationValidationMode::reverse;
    // What is found is written as it is found; only the unique missed words are gathered, to count
    // them.
    std::size_t total = 0;
    std::size_t found = 0;
    long long occurrences = 0;
    std::vector<KeyvaneMissedCandidate> unique;
    std::map<std::string, std::size_t> positionByKey;
    bool begun = false;
    auto begin = [&] {
        if (!begun) {
            begun = true;
            reverse ? VerificationReportWriter::beginReverse(out, options_)
                    : VerificationReportWriter::begin(out, options_);
        }
    };
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        begin(); // once the file is known to be readable
        for (const std::string& word :
             reverse ? WordTokenizer::reverseWords(line) : WordTokenizer::words(line)) {
            ++total;
            if (!reverse) {
                if (std::optional<KeyvaneCandidate> candidate = switchedBy(word)) {
                    VerificationReportWriter::candidate(out, ++found, *candidate);
                }
                continue;
            }
            std::optional<KeyvaneMissedCandidate> candidate = missedBy(word);
            if (!candidate) {
                continue;
            }
            ++occurrences;
            if (!options_.unique) {
                ++found;
                VerificationReportWriter::missed(out, options_, *candidate);
            } else if (auto at = positionByKey.find(UnicodeText::toLower(word)); at != positionByKey.end()) {
                unique[at->second].count += 1;
            } else {
                positionByKey.emplace(UnicodeText::toLower(word), unique.size());
                unique.push_back(std::move(*candidate));
            }
        }
    });
    if (!read) {
        return 1;
    }
    begin();
    if (!reverse) {
        VerificationReportWriter::end(out, total, found);
        return 0;
    }
    for (const KeyvaneMissedCandidate& candidate : unique) {
        VerificationReportWriter::missed(out, options_, candidate);
    }
    if (options_.unique) {
        found = unique.size();
        occurrences = 0;
        for (const KeyvaneMissedCandidate& candidate : unique) {
            occurrences += candidate.count;
        }
    }
    VerificationReportWriter::endReverse(out, options_, total, found, occurrences);
    return 0;
}

} // namespace keyvane
