#include "TextVerificationRunner.h"

#include "TextFormat.h"
#include "UnicodeText.h"
#include "VerificationReportWriter.h"
#include "WordTokenizer.h"

#include <map>

namespace keyvane {

std::vector<KeyvaneMissedCandidate> TextVerificationRunner::collectMissed(const std::vector<std::string>& words) const {
    std::vector<KeyvaneMissedCandidate> missed;
    std::map<std::string, std::size_t> positionByKey;
    for (const std::string& word : words) {
        if (static_cast<long long>(UnicodeText::length(word)) < options_.minLength) {
            continue;
        }
        auto candidate = analyzer_.diagnoseMissed(word, options_.language);
        if (!candidate) {
            continue;
        }
        if (!options_.unique) {
            missed.push_back(std::move(*candidate));
            continue;
        }
        std::string key = UnicodeText::toLower(word);
        if (auto it = positionByKey.find(key); it != positionByKey.end()) {
            missed[it->second].count += 1;
        } else {
            positionByKey.emplace(key, missed.size());
            missed.push_back(std::move(*candidate));
        }
    }
    return missed;
}

int TextVerificationRunner::run(std::ostream& out, std::ostream& err) const {
    auto text = TextFormat::readInputFile(options_.file, err);
    if (!text) {
        return 1;
    }
    if (options_.validation == VerificationValidationMode::reverse) {
        std::vector<std::string> words = WordTokenizer::reverseWords(*text);
        VerificationReportWriter::writeReverse(out, options_, words.size(), collectMissed(words));
        return 0;
    }
    std::vector<std::string> words = WordTokenizer::words(*text);
    std::vector<KeyvaneCandidate> candidates;
    const auto wanted = directionFor(options_.language);
    for (const std::string& word : words) {
        RulesDecision decision = analyzer_.engine().evaluate(word, "cli.verification", false, std::nullopt, std::nullopt);
        if (!decision.shouldCorrect || !decision.correctedToken) {
            continue;
        }
        auto direction = KeyvaneDiagnosticAnalyzer::detectDirection(word);
        if (!direction || !wanted || *direction != *wanted) {
            continue;
        }
        candidates.push_back({word, *decision.correctedToken, *direction, options_.language,
                              KeyvaneDiagnosticAnalyzer::humanReason(toString(decision.reason)), decision.confidence});
    }
    VerificationReportWriter::write(out, options_, words.size(), candidates);
    return 0;
}

} // namespace keyvane
