#include "ConfigStore.h"

#include "AppLog.h"
#include "AppPaths.h"
#include "AtomicFile.h"
#include "InstalledLanguageDetector.h"
#include "ManualOverridesMerge.h"
#include "UserDataFile.h"

#include <algorithm>

namespace keyvane::ConfigStore {
namespace {

std::optional<nlohmann::json> readObject(const std::string& path) {
    auto text = AtomicFile::read(path);
    if (!text) {
        return std::nullopt;
    }
    auto document = UserDataFile::parse(*text);
    if (!document || !document->is_object()) {
        return std::nullopt;
    }
    return document;
}

} // namespace

std::optional<nlohmann::json> engineJSON() {
    for (const std::string& path : AppPaths::rulesFileCandidates()) {
        if (auto document = readObject(path)) {
            appLog("[Keyvane] Engine config loaded from: " + path);
            return document;
        }
    }
    return std::nullopt;
}

bool saveManualOverrides(const nlohmann::json& overrides) {
    if (!UserDataFile::mayReplace(AppPaths::manualOverridesPath())) {
        appLog("[Keyvane] manual_overrides.json cannot be read, so it is not overwritten; the change is not "
               "saved");
        return false;
    }
    std::string text;
    try {
        text = overrides.dump(2, ' ', false, nlohmann::json::error_handler_t::strict) + "\n";
    } catch (const nlohmann::json::exception&) {
        appLog("[Keyvane] Failed to serialize manual_overrides.json");
        return false;
    }
    std::string error;
    if (!AtomicFile::writeAtomically(AppPaths::manualOverridesPath(), text, &error)) {
        appLog("[Keyvane] Failed to write manual_overrides.json: " + error);
        return false;
    }
    return true;
}

nlohmann::json loadManualOverrides(const nlohmann::json& engine) {
    const nlohmann::json* seedMember =
        engine.is_object() && engine.contains("manual_overrides") && engine["manual_overrides"].is_object()
            ? &engine["manual_overrides"]
            : nullptr;
    const nlohmann::json seed = seedMember != nullptr ? *seedMember : nlohmann::json::object();

    const UserDataRead current = UserDataFile::read(AppPaths::manualOverridesPath());
    if (current.state == UserDataState::unreadable) {
        // What the user taught is in that file: work from the seed and write nothing over it.
        return ManualOverridesMerge::merge(seed, nlohmann::json::object()).merged;
    }
    if (current.state != UserDataState::missing) {
        auto [merged, changed] = ManualOverridesMerge::merge(seed, current.document);
        if (changed && saveManualOverrides(merged)) {
            appLog("[Keyvane] manual_overrides overlaid with new seed entries of the shipped rules file");
        }
        return merged;
    }
    appLog("[Keyvane] manual_overrides seeded from the shipped rules file");
    // Merged into nothing, so that the file remembers what it was given from the start.
    nlohmann::json created = ManualOverridesMerge::merge(seed, nlohmann::json::object()).merged;
    saveManualOverrides(created);
    return created;
}

bool updateManualOverrides(const std::function<bool(nlohmann::json&)>& change) {
    const UserDataFile::Lock lock(AppPaths::manualOverridesPath());
    nlohmann::json overrides = loadManualOverrides(engineJSON().value_or(nlohmann::json::object()));
    return change(overrides) && saveManualOverrides(overrides);
}

std::optional<RulesConfig> loadConfiguration() {
    auto engine = engineJSON();
    if (!engine) {
        appLog("[Keyvane] ERROR: no engine config found (installed data, ./Resources or the build tree).");
        return std::nullopt;
    }
    nlohmann::json overrides = loadManualOverrides(*engine);
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    RulesConfig config = RulesConfig::load(*engine, overrides, preferences);
    config.useShippedVocabularies();
    return config;
}

bool useDesktopKeyMaps(RulesConfig& config, const std::vector<LayoutKeyMaps>& desktop) {
    KeyboardLayoutConfig& layout = config.keyboardLayout;
    for (const LayoutKeyMaps& pair : desktop) {
        const std::optional<std::string> from = InstalledLanguageDetector::key(pair.fromSourceID);
        const std::optional<std::string> to = InstalledLanguageDetector::key(pair.toSourceID);
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
            names += (names.empty() ? "" : ", ") + d.from + "→" + d.to;
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
