// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/ManualOverridesFile.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/ManualOverridesMerge.h"
#include "KeyvaneCore/RulesFile.h"
#include "KeyvaneCore/UserDataFile.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace keyvane::ManualOverridesFile {
namespace {

using nlohmann::json;

json objectOrEmpty(const json& document, const char* key) {
    const json* member = JsonValues::objectMember(document, key);
    return member != nullptr ? *member : json::object();
}

// The overrides as load() gives them; what the merge adds is written only when `mayWrite` (the
// caller holds the lock).
json loadHeld(const json& rulesFile, bool mayWrite) {
    const json seed = RulesFile::seedOverrides(rulesFile);
    const UserDataRead current = UserDataFile::read(AppPaths::manualOverridesPath());
    if (current.state == UserDataState::unreadable) {
        // What the user taught is in that file: work from the seed and write nothing over it.
        return ManualOverridesMerge::merge(seed, json::object()).merged;
    }
    if (current.state != UserDataState::missing) {
        auto [merged, changed] = ManualOverridesMerge::merge(seed, current.document);
        if (changed && mayWrite && save(merged)) {
            coreLog("[Keyvane] manual_overrides overlaid with new seed entries of the shipped rules file");
        }
        return merged;
    }
    // Merged into nothing, so that the file remembers what it was given from the start.
    json created = ManualOverridesMerge::merge(seed, json::object()).merged;
    if (mayWrite) {
        coreLog("[Keyvane] manual_overrides seeded from the shipped rules file");
        save(created);
    }
    return created;
}

// Loads, lets `change` edit and saves the overrides under their lock; `change` returns false when
// there is nothing to save.
Change update(const std::function<bool(json&)>& change) {
    const UserDataFile::Lock lock(AppPaths::manualOverridesPath(), UserDataFile::Lock::Wait::no);
    if (lock.busy()) {
        coreLog("[Keyvane] manual_overrides.json is being saved by another process; the change waits");
        return Change::busy;
    }
    json overrides = loadHeld(RulesFile::read().value_or(json::object()), true);
    if (!change(overrides)) {
        return Change::alreadyThere;
    }
    return save(overrides) ? Change::added : Change::notSaved;
}

} // namespace

bool save(const json& overrides) {
    if (!UserDataFile::mayReplace(AppPaths::manualOverridesPath())) {
        coreLog("[Keyvane] manual_overrides.json cannot be read, so it is not overwritten; the change is not "
                "saved");
        return false;
    }
    std::string text;
    try {
        text = overrides.dump(2, ' ', false, json::error_handler_t::strict) + "\n";
    } catch (const json::exception&) {
        coreLog("[Keyvane] Failed to serialize manual_overrides.json");
        return false;
    }
    std::string error;
    if (!AtomicFile::writeAtomically(AppPaths::manualOverridesPath(), text, &error)) {
        coreLog("[Keyvane] Failed to write manual_overrides.json: " + error);
        return false;
    }
    return true;
}

json load(const json& rulesFile) {
    const UserDataFile::Lock lock(AppPaths::manualOverridesPath(), UserDataFile::Lock::Wait::no);
    return loadHeld(rulesFile, !lock.busy());
}

Change addNeverCorrect(const std::string& word, const std::string& language) {
    return update([&](json& overrides) {
        std::vector<std::string> words =
            JsonValues::stringList(JsonValues::member(overrides, "never_correct"))
                .value_or(std::vector<std::string>{});
        if (std::find(words.begin(), words.end(), word) != words.end()) {
            return false;
        }
        words.push_back(word);
        std::sort(words.begin(), words.end());
        overrides["never_correct"] = words;
        json meta = json::object();
        const json oldMeta = objectOrEmpty(overrides, "never_correct_meta");
        for (const auto& [key, value] : oldMeta.items()) {
            if (value.is_string()) {
                meta[key] = value;
            }
        }
        meta[word] = language;
        overrides["never_correct_meta"] = meta;
        return true;
    });
}

Change addExactPair(const std::string& typed, const std::string& meant, const std::string& sourceLanguage,
                    const std::string& targetLanguage) {
    return update([&](json& overrides) {
        json pairs = objectOrEmpty(overrides, "exact_pairs");
        if (pairs.contains(typed)) {
            return false;
        }
        pairs[typed] = meant;
        overrides["exact_pairs"] = pairs;
        json meta = objectOrEmpty(overrides, "exact_pairs_meta");
        meta[typed] = {{"src", sourceLanguage}, {"dst", targetLanguage}};
        overrides["exact_pairs_meta"] = meta;
        return true;
    });
}

bool replaceUserRules(const json& exactPairs, const json& exactPairsMeta,
                      const std::vector<std::string>& neverCorrect, const json& neverCorrectMeta) {
    return update([&](json& overrides) {
               overrides["exact_pairs"] = exactPairs;
               overrides["exact_pairs_meta"] = exactPairsMeta;
               overrides["never_correct"] = neverCorrect;
               overrides["never_correct_meta"] = neverCorrectMeta;
               return true;
           }) == Change::added;
}

} // namespace keyvane::ManualOverridesFile
