#pragma once

#include "PlatformServices.h"

// The permission to watch keys and post key events: on Linux, a reachable X display with XInput
// 2.2 and XTEST.
namespace keyvane::PermissionChecker {

inline constexpr const char* kPermissionsHelpURL = "https://keyvane.app/manual#permissions";

bool isTrusted(PlatformServices& platform);
// Opens the manual's page on permissions.
void openAccessibilitySettings(PlatformServices& platform);
// There is nothing to reset on Linux: logs one line and returns false.
bool resetAccessibility();

} // namespace keyvane::PermissionChecker
