// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the rules-file loader the way the program loads it: the text is
// decoded, the user's overrides start from its seed, and an engine is built from the result.
// Decoding must refuse or accept, nothing may crash or run away, and the engine must answer.

#include "FuzzInput.h"
#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/ManualOverridesMerge.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/UserDataFile.h"
#include "KeyvaneCore/UserPreferences.h"

namespace {

int depth(const nlohmann::json& value) {
    int deepest = 0;
    if (value.is_structured()) {
        for (const auto& child : value) {
            deepest = std::max(deepest, depth(child));
        }
        return deepest + 1;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace keyvane;
    auto document = RulesConfig::decode(fuzz::text(data, size));
    if (!document) {
        return 0;
    }
    fuzz::require(depth(*document) <= UserDataFile::maxDepth,
                  "a decoded document is nested within the limit");
    if (!document->is_object()) {
        return 0; // the program looks for the next rules file
    }
    const nlohmann::json* seed =
        document->contains("manual_overrides") ? &(*document)["manual_overrides"] : nullptr;
    nlohmann::json overrides =
        ManualOverridesMerge::merge(seed != nullptr && seed->is_object() ? *seed : nlohmann::json::object(),
                                    nlohmann::json::object())
            .merged;
    UserPreferences preferences;
    preferences.activeLanguages = {"en", "ru", "uk"};
    RulesConfig config = RulesConfig::load(*document, overrides, preferences);
    for (const auto& [direction, map] : config.keyboardLayout.maps) {
        auto shift = config.keyboardLayout.shiftMaps.find(direction);
        static const KeyboardMap empty;
        (void)KeyboardMaps::mapToken("Ghbdtn, мир!", map,
                                     shift == config.keyboardLayout.shiftMaps.end() ? empty : shift->second);
    }
    RulesEngine engine(std::move(config));
    for (const char* word : {"ghbdtn", "Ghbdtn,", "руддщ", "https://example.com/путь", "ghbвет", "x"}) {
        RulesDecision decision =
            engine.evaluate(word, "org.example.editor", false, std::nullopt, std::nullopt);
        fuzz::require(!decision.shouldCorrect || decision.correctedToken.has_value(),
                      "a correction says what to type");
        fuzz::require(!(decision.confidence > 1), "confidence is at most 1");
    }
    return 0;
}
