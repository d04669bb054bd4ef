#include "LearningWritePolicy.h"

#include "UnicodeText.h"

namespace keyvane::LearningWritePolicy {

std::optional<std::string> neverCorrectEntryForUndo(bool learningModeEnabled, const std::string& originalToken) {
    if (!learningModeEnabled) {
        return std::nullopt;
    }
    std::string entry = UnicodeText::trimWhitespace(UnicodeText::toLower(originalToken));
    return entry.empty() ? std::nullopt : std::optional<std::string>(entry);
}

std::vector<ExactPair> exactPairsForManualConversion(bool learningModeEnabled, const std::string& original,
                                                     const std::string& converted) {
    std::vector<ExactPair> pairs;
    if (!learningModeEnabled) {
        return pairs;
    }
    std::vector<std::string> from = UnicodeText::splitOnWhitespace(original);
    std::vector<std::string> to = UnicodeText::splitOnWhitespace(converted);
    if (from.size() != to.size()) {
        if (!UnicodeText::trimWhitespace(original).empty()) {
            pairs.push_back({UnicodeText::toLower(original), UnicodeText::toLower(converted)});
        }
        return pairs;
    }
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::string source = UnicodeText::trim(UnicodeText::toLower(from[i]), UnicodeText::isPunctuation);
        std::string target = UnicodeText::trim(UnicodeText::toLower(to[i]), UnicodeText::isPunctuation);
        if (!source.empty() && !target.empty() && source != target) {
            pairs.push_back({std::move(source), std::move(target)});
        }
    }
    return pairs;
}

} // namespace keyvane::LearningWritePolicy
