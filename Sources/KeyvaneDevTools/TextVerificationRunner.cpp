// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/TextVerificationRunner.h"

#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneDevTools/TextFormat.h"
#include "KeyvaneDevTools/VerificationReportWriter.h"
#include "KeyvaneDevTools/WordTokenizer.h"

#include <map>

namespace keyvane {

void TextVerificationRunner::noteMissed(const std::string& word, Missed& missed) const {
    if (static_cast<long long>(UnicodeText::length(word)) < options_.minLength) {
        return;
    }
    auto candidate = analyzer_.diagnoseMissed(word, options_.language);
    if (!candidate) {
        return;
    }
    if (!options_.unique) {
        missed.candidates.push_back(std::move(*candidate));
        return;
    }
    std::string key = UnicodeText::toLower(word);
    if (auto it = missed.positionByKey.find(key); it != missed.positionByKey.end()) {
        missed.candidates[it->second].count += 1;
    } else {
        missed.positionByKey.emplace(key, missed.candidates.size());
        missed.candidates.push_back(std::move(*candidate));
    }
}

void TextVerificationRunner::noteCandidate(const std::string& word,
                                           std::vector<KeyvaneCandidate>& candidates) const {
    RulesDecision decision =
        analyzer_.engine().evaluate(word, "cli.verification", false, std::nullopt, std::nullopt);
    if (!decision.shouldCorrect || !decision.correctedToken) {
        return;
    }
    auto direction = KeyvaneDiagnosticAnalyzer::detectDirection(word);
    const auto wanted = directionFor(options_.language);
    if (!direction || !wanted || *direction != *wanted) {
        return;
    }
    candidates.push_back({word, *decision.correctedToken, *direction, options_.language,
                          KeyvaneDiagnosticAnalyzer::humanReason(toString(decision.reason)),
                          decision.confidence});
}

int TextVerificationRunner::run(std::ostream& out, std::ostream& err) const {
    const bool reverse = options_.validation == VerificationValidationMode::reverse;
    std::size_t total = 0;
    Missed missed;
    std::vector<KeyvaneCandidate> candidates;
    const bool read = TextFormat::forEachInputLine(options_.file, err, [&](const std::string& line) {
        for (const std::string& word :
             reverse ? WordTokenizer::reverseWords(line) : WordTokenizer::words(line)) {
            ++total;
            if (reverse) {
                noteMissed(word, missed);
            } else {
                noteCandidate(word, candidates);
            }
        }
    });
    if (!read) {
        return 1;
    }
    if (reverse) {
        VerificationReportWriter::writeReverse(out, options_, total, missed.candidates);
    } else {
        VerificationReportWriter::write(out, options_, total, candidates);
    }
    return 0;
}

} // namespace keyvane
