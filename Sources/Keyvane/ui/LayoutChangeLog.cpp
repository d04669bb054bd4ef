// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/LayoutChangeLog.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/correction/ReplacementAdapter.h"

namespace keyvane {

std::optional<std::string> LayoutChangeLog::changed(PlatformServices& platform) {
    const std::optional<KeyboardLayout> layout = platform.currentLayout();
    const std::optional<std::string> id = layout ? std::optional<std::string>(layout->id()) : std::nullopt;
    if (logged_ && id == lastID_) {
        return std::nullopt;
    }
    logged_ = true;
    lastID_ = id;
    const bool byKeyvane = id && id == ReplacementAdapter::lastProgrammaticSwitchID() &&
                           platform.now() - ReplacementAdapter::lastProgrammaticSwitchAt() < 2.5;
    const std::string line =
        "[Keyvane] system layout changed → " +
        std::string(layout && layout->language ? toString(*layout->language) : "unsupported") + " (" +
        id.value_or("?") + ") origin=" + (byKeyvane ? "app" : "user");
    appLog(line);
    return line;
}

} // namespace keyvane
