// Feeds arbitrary bytes to the rules-file loader: decoding must refuse or accept, parsing must
// never crash, and every map, pattern and threshold of the result must be usable.

#include "KeyboardMaps.h"
#include "RulesConfig.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto document = keyvane::RulesConfig::decode(text);
    if (!document) {
        return 0;
    }
    keyvane::RulesConfig config = keyvane::RulesConfig::parse(*document);
    for (const auto& [direction, map] : config.keyboardLayout.maps) {
        auto shift = config.keyboardLayout.shiftMaps.find(direction);
        static const keyvane::KeyboardMap empty;
        (void)keyvane::KeyboardMaps::mapToken("Ghbdtn, мир!", map,
                                              shift == config.keyboardLayout.shiftMaps.end() ? empty : shift->second);
    }
    for (const auto& pattern : config.protectedPatterns) {
        (void)pattern.regex.find("https://example.com/путь");
    }
    for (const auto& [code, language] : config.languages) {
        for (const auto& pattern : language.impossiblePatterns) {
            (void)pattern.find("ghbdtn");
        }
    }
    return 0;
}
