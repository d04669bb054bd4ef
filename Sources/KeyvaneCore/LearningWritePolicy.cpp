// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LearningWritePolicy.h"

#include "KeyvaneCore/UnicodeText.h"

namespace keyvane::LearningWritePolicy {

std::optional<std::string> neverCorrectEntryForUndo(bool learningModeEnabled,
                                                    const std::string& originalToken) {
    if (!learningModeEnabled) {
        return std::nullopt;
    }
    std::string entry = UnicodeText::trimWhitespace(UnicodeText::toLower(originalToken));
    return entry.empty() ? std::nullopt : std::optional<std::string>(entry);
}

namespace {

// The word without the punctuation around it, and how many characters went at each end.
struct Trimmed {
    std::string core;
    std::size_t leading = 0;
    std::size_t trailing = 0;
};

Trimmed trimmed(const std::string& word) {
    const std::vector<std::string> chars = UnicodeText::graphemes(word);
    std::size_t first = 0;
    while (first < chars.size() && UnicodeText::isPunctuation(chars[first])) {
        ++first;
    }
    std::size_t last = chars.size();
    while (last > first && UnicodeText::isPunctuation(chars[last - 1])) {
        --last;
    }
    Trimmed out;
    out.leading = first;
    out.trailing = chars.size() - last;
    for (std::size_t i = first; i < last; ++i) {
        out.core += chars[i];
    }
    return out;
}

} // namespace

std::vector<ExactPair> exactPairsForManualConversion(bool learningModeEnabled, const std::string& original,
                                                     const std::string& converted,
                                                     const IsLayoutReading& isLayoutReading) {
    std::vector<ExactPair> pairs;
    if (!learningModeEnabled) {
        return pairs;
    }
    std::vector<std::string> from = UnicodeText::splitOnWhitespace(original);
    std::vector<std::string> to = UnicodeText::splitOnWhitespace(converted);
    if (from.size() != to.size()) {
        std::string source = UnicodeText::toLower(UnicodeText::trimWhitespace(original));
        std::string target = UnicodeText::toLower(UnicodeText::trimWhitespace(converted));
        if (!source.empty() && isLayoutReading(source, target)) {
            pairs.push_back({std::move(source), std::move(target)});
        }
        return pairs;
    }
    for (std::size_t i = 0; i < from.size(); ++i) {
        const Trimmed source = trimmed(UnicodeText::toLower(from[i]));
        const Trimmed target = trimmed(UnicodeText::toLower(to[i]));
        // ",skj" is "было" typed key for key: its comma is a letter, so the words differ in length
        // and no part of them makes a pair.
        if (source.leading != target.leading || source.trailing != target.trailing) {
            continue;
        }
        if (!source.core.empty() && !target.core.empty() && source.core != target.core &&
            isLayoutReading(source.core, target.core)) {
            pairs.push_back({source.core, target.core});
        }
    }
    return pairs;
}

} // namespace keyvane::LearningWritePolicy
