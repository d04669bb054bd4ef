#pragma once

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
std::optional<std::string> neverCorrectEntryForUndo(bool learningModeEnabled, const std::string& originalToken);

// The exact pairs for a manual conversion: word by word when both texts have as many words,
// otherwise the whole texts as one pair.
std::vector<ExactPair> exactPairsForManualConversion(bool learningModeEnabled, const std::string& original,
                                                     const std::string& converted);

} // namespace keyvane::LearningWritePolicy
