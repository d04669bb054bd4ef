// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>

namespace keyvane::ManualOverridesMerge {

struct Result {
    nlohmann::json merged;
    bool changed = false;
};

// The key of the user's overrides that remembers which seed entries were ever given to the user:
// {"exact_pairs": [...], "never_correct": [...]}.
inline constexpr const char* seedEntriesGiven = "seed_entries_given";

// Adds to the user's overrides every seed entry the user does not have yet and was never given;
// what the user has is never changed, so edited entries survive, and a seed entry the user
// deleted stays deleted (it is remembered as given). Files from before that key count what they
// hold as given.
Result merge(const nlohmann::json& seed, const nlohmann::json& user);

} // namespace keyvane::ManualOverridesMerge
