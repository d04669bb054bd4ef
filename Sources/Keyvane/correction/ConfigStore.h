// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvanePlatform/PlatformTypes.h"

#include <nlohmann/json.hpp>
#include <optional>

// Builds the engine's configuration from the files on disk (the rules file, the user's manual
// overrides and preferences) and the desktop's key maps. Holds no state: every call reads the disk.
namespace keyvane::ConfigStore {

// Rules file, overrides and preferences combined; nothing when no rules file is found.
std::optional<RulesConfig> loadConfiguration();

// Puts the desktop's own key maps in place of the rules file's for every pair of installed layouts
// of two of the configured languages (the first layout of a language counts); true when any did.
bool useDesktopKeyMaps(RulesConfig& config, const std::vector<LayoutKeyMaps>& desktop);

// Replaces the engine's configuration whole from disk, keeping the key maps it took from the
// desktop; on failure the engine keeps its own.
bool reload(RulesEngine& engine);

} // namespace keyvane::ConfigStore
