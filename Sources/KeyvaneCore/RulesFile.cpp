// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/RulesFile.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/UserDataFile.h"

namespace keyvane::RulesFile {

std::optional<nlohmann::json> read() {
    for (const std::string& path : AppPaths::rulesFileCandidates()) {
        auto text = AtomicFile::read(path);
        if (!text) {
            continue;
        }
        auto document = UserDataFile::parseReleasing(std::move(*text));
        if (document && document->is_object()) {
            coreLog("[Keyvane] Engine config loaded from: " + path);
            return document;
        }
    }
    return std::nullopt;
}

nlohmann::json seedOverrides(const nlohmann::json& rulesFile) {
    if (rulesFile.is_object()) {
        if (auto seed = rulesFile.find("manual_overrides"); seed != rulesFile.end() && seed->is_object()) {
            return *seed;
        }
    }
    return nlohmann::json::object();
}

} // namespace keyvane::RulesFile
