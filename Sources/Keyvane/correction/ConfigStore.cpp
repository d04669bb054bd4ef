// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/ConfigStore.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/RulesFile.h"

#include <algorithm>

namespace keyvane::ConfigStore {
std::optional<RulesConfig> loadConfiguration() {
    auto engine = RulesFile::read();
    if (!engine) {
        appLog("[Keyvane] ERROR: no engine config found (installed data, ./Resources or the build tree).");
        return std::nullopt;
    }
    nlohmann::json overrides = ManualOverridesFile::load(*engine);
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    RulesConfig config = RulesConfig::load(*engine, overrides, preferences);
    config.useShippedVocabularies();
    return config;
}

bool useDesktopKeyMaps(RulesConfig& config, const std::vector<LayoutKeyMaps>& desktop) {
    KeyboardLayoutConfig& layout = config.keyboardLayout;
    for (const LayoutKeyMaps& pair : desktop) {
        const std::optional<Language>& from = pair.from.language;
        const std::optional<Language>& to = pair.to.language;
        if (!from || !to || *from == *to || !config.languages.contains(*from) ||
            !config.languages.contains(*to)) {
            continue;
        }
        const LayoutDirection direction{*from, *to};
        if (std::find(layout.fromDesktop.begin(), layout.fromDesktop.end(), direction) !=
            layout.fromDesktop.end()) {
            continue;
        }
        layout.maps[direction] = KeyboardMap(pair.lower.begin(), pair.lower.end());
        layout.shiftMaps[direction] = KeyboardMap(pair.shift.begin(), pair.shift.end());
        layout.fromDesktop.push_back(direction);
    }
    if (!layout.fromDesktop.empty()) {
        std::string names;
        for (const LayoutDirection& d : layout.fromDesktop) {
            names += (names.empty() ? "" : ", ") + std::string(toString(d.from)) + "→" + toString(d.to);
        }
        appLog("[Keyvane] Keyboard maps from the desktop's layouts: " + names);
    }
    return !layout.fromDesktop.empty();
}

bool reload(RulesEngine& engine) {
    auto config = loadConfiguration();
    if (!config) {
        return false;
    }
    const KeyboardLayoutConfig& current = engine.config().keyboardLayout;
    for (const LayoutDirection& direction : current.fromDesktop) {
        config->keyboardLayout.maps[direction] = current.maps.at(direction);
        config->keyboardLayout.shiftMaps[direction] = current.shiftMaps.at(direction);
    }
    config->keyboardLayout.fromDesktop = current.fromDesktop;
    engine.reloadConfig(std::move(*config));
    appLog("[Keyvane] Config reloaded");
    return true;
}

} // namespace keyvane::ConfigStore
