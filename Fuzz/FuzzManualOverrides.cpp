// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds two documents, a seed and the user's overrides (cut at the first NUL), to the merge that
// runs at every start. What the user has is never changed, merging again adds nothing, and the
// merged overrides survive a save and a load unchanged.

#include "FuzzInput.h"
#include "KeyvaneCore/ManualOverridesMerge.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/UserDataFile.h"
#include "KeyvaneCore/UserPreferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace keyvane;
    const std::vector<std::string> parts = fuzz::fields(fuzz::text(data, size), 2);
    auto seed = UserDataFile::parse(parts[0]);
    auto user = UserDataFile::parse(parts.size() > 1 ? parts[1] : std::string("{}"));
    if (!seed || !user || !user->is_object()) {
        return 0;
    }

    const ManualOverridesMerge::Result first = ManualOverridesMerge::merge(*seed, *user);
    for (const char* section : {"exact_pairs", "exact_pairs_meta", "never_correct_meta"}) {
        if (user->contains(section) && (*user)[section].is_object()) {
            for (const auto& [key, value] : (*user)[section].items()) {
                fuzz::require(first.merged[section].contains(key) && first.merged[section][key] == value,
                              "an entry the user has is kept as it is");
            }
        }
    }
    for (const auto& [key, value] : user->items()) {
        if (key != "exact_pairs" && key != "exact_pairs_meta" && key != "never_correct" &&
            key != "never_correct_meta" && key != ManualOverridesMerge::seedEntriesGiven) {
            fuzz::require(first.merged.contains(key) && first.merged[key] == value,
                          "unknown content is kept");
        }
    }

    const ManualOverridesMerge::Result second = ManualOverridesMerge::merge(*seed, first.merged);
    fuzz::require(!second.changed && second.merged == first.merged, "merging twice adds nothing");

    // Saved as the program saves it, then loaded again.
    std::string saved;
    try {
        saved = first.merged.dump(2, ' ', false, nlohmann::json::error_handler_t::strict) + "\n";
    } catch (const nlohmann::json::exception&) {
        fuzz::require(false, "merged overrides can be written");
    }
    fuzz::require(saved.size() <= 64 * (size + 64), "nothing is copied back many times bigger than it came");
    auto reloaded = UserDataFile::parse(saved);
    fuzz::require(reloaded && *reloaded == first.merged, "a save loads back unchanged");
    const ManualOverridesMerge::Result afterReload = ManualOverridesMerge::merge(*seed, *reloaded);
    fuzz::require(!afterReload.changed, "a reloaded file gets nothing again");

    UserPreferences preferences;
    preferences.activeLanguages = {"en", "ru", "uk"};
    RulesEngine engine(RulesConfig::load(nlohmann::json::object(), first.merged, preferences));
    (void)engine.evaluate("ghbdtn", "org.example.editor", false, std::nullopt, std::nullopt);
    return 0;
}
