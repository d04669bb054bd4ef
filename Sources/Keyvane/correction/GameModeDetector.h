// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// Whether an application is a game (its desktop entry lists the "Game" category). Each answer
// is cached for the life of the process.
namespace keyvane::GameModeDetector {

bool isGameApp(const std::string& desktopEntryID, const std::optional<std::string>& desktopEntryPath);

// True when the desktop entry at path declares the "Game" category.
bool entryDeclaresGameCategory(const std::optional<std::string>& path);

} // namespace keyvane::GameModeDetector
