#include "LearningWritePolicy.h"

#include "UnicodeText.h"

#include <unicode/uchar.h>

namespace keyvane::LearningWritePolicy {
namespace {

bool isSpace(const std::string& c) {
    int32_t scalar = UnicodeText::firstCodePoint(c);
    return scalar >= 0 && u_isUWhiteSpace(scalar);
}

std::vector<std::string> pieces(const std::string& text) {
    std::vector<std::string> out;
    std::string piece;
    for (const std::string& c : UnicodeText::graphemes(text)) {
        if (isSpace(c)) {
            if (!piece.empty()) {
                out.push_back(std::move(piece));
                piece.clear();
            }
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) {
        out.push_back(std::move(piece));
    }
    return out;
}

template <typename Predicate> std::string trimmedBy(const std::string& text, Predicate drop) {
    std::vector<std::string> chars = UnicodeText::graphemes(text);
    std::size_t first = 0;
    std::size_t last = chars.size();
    while (first < last && drop(chars[first])) {
        ++first;
    }
    while (last > first && drop(chars[last - 1])) {
        --last;
    }
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        out += chars[i];
    }
    return out;
}

bool isPunctuation(const std::string& c) {
    int32_t scalar = UnicodeText::firstCodePoint(c);
    return scalar >= 0 && u_ispunct(scalar);
}

} // namespace

std::optional<std::string> neverCorrectEntryForUndo(bool learningModeEnabled, const std::string& originalToken) {
    if (!learningModeEnabled) {
        return std::nullopt;
    }
    std::string entry = trimmedBy(UnicodeText::toLower(originalToken), isSpace);
    return entry.empty() ? std::nullopt : std::optional<std::string>(entry);
}

std::vector<ExactPair> exactPairsForManualConversion(bool learningModeEnabled, const std::string& original,
                                                     const std::string& converted) {
    std::vector<ExactPair> pairs;
    if (!learningModeEnabled) {
        return pairs;
    }
    std::vector<std::string> from = pieces(original);
    std::vector<std::string> to = pieces(converted);
    if (from.size() != to.size()) {
        if (!trimmedBy(original, isSpace).empty()) {
            pairs.push_back({UnicodeText::toLower(original), UnicodeText::toLower(converted)});
        }
        return pairs;
    }
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::string source = trimmedBy(UnicodeText::toLower(from[i]), isPunctuation);
        std::string target = trimmedBy(UnicodeText::toLower(to[i]), isPunctuation);
        if (!source.empty() && !target.empty() && source != target) {
            pairs.push_back({std::move(source), std::move(target)});
        }
    }
    return pairs;
}

} // namespace keyvane::LearningWritePolicy
