#pragma once

#include "PlatformServices.h"
#include "RulesConfig.h"
#include "RulesEngine.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

// Finds the rules file, keeps the user's manual overrides file in step with its seed, and builds
// the engine's configuration from the files on disk. Holds no state: every call reads the disk.
namespace keyvane::ConfigStore {

// The decoded top-level object of the first usable rules file of AppPaths::rulesFileCandidates.
std::optional<nlohmann::json> engineJSON();

// The user's manual overrides, created from the seed on first use, and topped up with new seed
// entries.
nlohmann::json loadManualOverrides(const nlohmann::json& engineJSON);

// Writes the overrides atomically; false (and one log line) on failure.
bool saveManualOverrides(const nlohmann::json& overrides);

// Loads the overrides, lets `change` edit them and saves them, all while holding the overrides'
// advisory lock, so that two copies of the program (or the settings window) saving at once never
// lose each other's entries. `change` returns false when there is nothing to save. False when
// nothing was saved.
bool updateManualOverrides(const std::function<bool(nlohmann::json&)>& change);

// Rules file, overrides and preferences combined; nothing when no rules file is found.
std::optional<RulesConfig> loadConfiguration();

// Puts the desktop's own key maps in place of the rules file's for every pair of installed layouts
// of two of the configured languages (the first layout of a language counts); true when any did.
bool useDesktopKeyMaps(RulesConfig& config, const std::vector<LayoutKeyMaps>& desktop);

// Replaces the engine's configuration whole from disk, keeping the key maps it took from the
// desktop; on failure the engine keeps its own.
bool reload(RulesEngine& engine);

} // namespace keyvane::ConfigStore
