#pragma once

#include <nlohmann/json.hpp>

namespace keyvane::ManualOverridesMerge {

struct Result {
    nlohmann::json merged;
    bool changed = false;
};

// Adds to the user's overrides every seed entry the user does not have yet; what the user has
// is never changed, so edited entries survive and deleted seed entries come back.
Result merge(const nlohmann::json& bundled, const nlohmann::json& user);

} // namespace keyvane::ManualOverridesMerge
