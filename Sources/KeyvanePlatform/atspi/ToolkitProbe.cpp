// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/atspi/ToolkitProbe.h"

#include <fstream>
#include <iterator>

namespace keyvane::ToolkitProbe {
namespace {

// Libraries whose programs join the accessibility bus and tell what their fields are once the
// desktop's accessibility switch is on: GTK 3 and 4, Qt 5 and 6, the accessibility bridge of
// ATK programs (Chromium and Electron load it), and Firefox's engine. GTK 2 is not among them: it
// joins only with a module that Debian no longer ships, so its programs tell nothing.
constexpr std::string_view tellingLibraries[] = {
    "/libgtk-3.so", "/libgtk-4.so", "/libQt5Gui.so", "/libQt6Gui.so", "/libatk-bridge-2.0.so", "/libxul.so",
};

} // namespace

ProgramKind kindOfMaps(std::string_view maps) {
    for (std::string_view library : tellingLibraries) {
        if (maps.find(library) != std::string_view::npos) {
            return ProgramKind::tellsFields;
        }
    }
    return ProgramKind::silent;
}

ProgramKind kindOf(long long pid, const std::string& procRoot) {
    std::ifstream in(procRoot + "/" + std::to_string(pid) + "/maps");
    if (!in) {
        return ProgramKind::silent;
    }
    const std::string maps((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return kindOfMaps(maps);
}

} // namespace keyvane::ToolkitProbe
