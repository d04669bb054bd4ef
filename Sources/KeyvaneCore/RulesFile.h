// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <optional>

namespace keyvane::RulesFile {

// The decoded top-level object of the first usable rules file of AppPaths::rulesFileCandidates
// (one that is missing, unreadable, not JSON or not an object is passed over); nothing when none is.
std::optional<nlohmann::json> read();

// The rules file's seed of manual overrides (its "manual_overrides" object; empty when it has none).
nlohmann::json seedOverrides(const nlohmann::json& rulesFile);

} // namespace keyvane::RulesFile
