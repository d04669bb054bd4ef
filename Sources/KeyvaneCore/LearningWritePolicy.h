// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// What learning writes to the manual overrides. Pure functions: the callers write and reload.
namespace keyvane::LearningWritePolicy {

struct ExactPair {
    std::string source;
    std::string target;
    bool operator==(const ExactPair&) const = default;
};

// The never-correct entry for an undone correction: the typed word, trimmed and lower-cased.
std::optional<std::string> neverCorrectEntryForUndo(bool learningModeEnabled,
                                                    const std::string& originalToken);

// Whether `target` is what the keys of `source` type on another layout (both lower-cased).
using IsLayoutReading = std::function<bool(const std::string& source, const std::string& target)>;

// The exact pairs for a manual conversion: word by word when both texts have as many words,
// otherwise the whole texts as one pair. A pair is learned only when both sides are one word with
// the same number of boundary characters taken off each end ("vbh," and "мир," teach "vbh" →
// "мир"; "vbh," and "мирб" teach nothing), and when the target is the layout reading of the source:
// nothing learned may turn a typed word into anything its keys do not type.
std::vector<ExactPair> exactPairsForManualConversion(bool learningModeEnabled, const std::string& original,
                                                     const std::string& converted,
                                                     const IsLayoutReading& isLayoutReading);

} // namespace keyvane::LearningWritePolicy
