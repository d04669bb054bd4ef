#include "PermissionChecker.h"

#include "AppLog.h"

namespace keyvane::PermissionChecker {

bool isTrusted(PlatformServices& platform) {
    return platform.isTrusted();
}

void openAccessibilitySettings(PlatformServices& platform) {
    platform.openURL(kPermissionsHelpURL);
}

bool resetAccessibility() {
    appLog("[Keyvane] Accessibility reset is not available on this desktop; nothing was reset");
    return false;
}

} // namespace keyvane::PermissionChecker
