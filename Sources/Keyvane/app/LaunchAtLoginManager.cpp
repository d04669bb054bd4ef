// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/LaunchAtLoginManager.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace keyvane::LaunchAtLoginManager {

std::string autostartPath() {
    return AppPaths::configHome() + "/autostart/keyvane.desktop";
}

void enable() {
    if (!AppPaths::installedDataDir()) {
        appLog("[Keyvane] Skipping launch-at-login registration: not an installed copy (a build tree)");
        return;
    }
    std::error_code ec;
    if (std::filesystem::exists(autostartPath(), ec)) {
        return;
    }
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    std::string error;
    const std::string entry = "[Desktop Entry]\nType=Application\nName=Keyvane\nExec=\"" + exe.string() +
                              "\"\nX-GNOME-Autostart-enabled=true\nNoDisplay=true\n";
    if (AtomicFile::createDirectories(std::filesystem::path(autostartPath()).parent_path().string(),
                                      &error) &&
        AtomicFile::writeAtomically(autostartPath(), entry, &error)) {
        appLog("[Keyvane] Launch at login registered");
    } else {
        appLog("[Keyvane] Launch at login register failed: " + error);
    }
}

void disable() {
    if (std::remove(autostartPath().c_str()) == 0 || errno == ENOENT) {
        appLog("[Keyvane] Launch at login unregistered");
    } else {
        appLog(std::string("[Keyvane] Launch at login unregister failed: ") + std::strerror(errno));
    }
}

} // namespace keyvane::LaunchAtLoginManager
