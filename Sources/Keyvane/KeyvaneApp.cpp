// Keyvane's entry point. Until the live application and the developer command line exist,
// it loads the rules file and shows how each word of a text would read in the other
// keyboard layouts: the text model and the rules file working end to end.

#include "KeyboardMaps.h"
#include "RulesConfig.h"
#include "TokenBuffer.h"
#include "UnicodeText.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

using namespace keyvane;

namespace {

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The working directory's Resources first, then the build tree's.
std::optional<std::filesystem::path> findRulesFile() {
    for (const std::filesystem::path& candidate :
         {std::filesystem::path("Resources/keyvane_rules.json"),
          std::filesystem::path(KEYVANE_BUILD_RESOURCES) / "keyvane_rules.json"}) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

TokenEvent classify(const std::string& c) {
    if (c == " ") {
        return TokenEvent::boundaryEvent(BoundaryType::space());
    }
    if (c == "\n" || c == "\r\n") {
        return TokenEvent::boundaryEvent(BoundaryType::enter());
    }
    if (c == "\t") {
        return TokenEvent::boundaryEvent(BoundaryType::tab());
    }
    if (c == "!" || c == "?") {
        return TokenEvent::boundaryEvent(BoundaryType::punctuationMark(c));
    }
    return TokenEvent::characterEvent(c);
}

} // namespace

int main(int argc, char** argv) {
    auto rulesPath = findRulesFile();
    if (!rulesPath) {
        std::cerr << "Error: no rules file found (./Resources/keyvane_rules.json or " << KEYVANE_BUILD_RESOURCES
                  << ")\n";
        return 1;
    }
    auto rulesText = readFile(*rulesPath);
    std::string error;
    auto document = rulesText ? RulesConfig::decode(*rulesText, &error) : std::nullopt;
    if (!document) {
        std::cerr << "Error: cannot read " << rulesPath->string() << ": " << (rulesText ? error : "unreadable")
                  << "\n";
        return 1;
    }
    RulesConfig config = RulesConfig::parse(*document);

    std::filesystem::path samplePath =
        argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::path(KEYVANE_BUILD_RESOURCES) / "sample_mistyped.txt";
    auto sample = readFile(samplePath);
    if (!sample) {
        std::cerr << "Error: cannot read " << samplePath.string() << "\n";
        return 1;
    }

    std::cout << "Keyvane " << KEYVANE_VERSION << " (preview: the correction engine is not built yet)\n"
              << "Rules file: " << rulesPath->string() << "\n  languages:";
    for (const auto& [code, language] : config.languages) {
        std::cout << " " << code << " (" << language.commonWords.size() << " common words)";
    }
    std::cout << "\n  protected patterns: " << config.protectedPatterns.size()
              << ", golden tests: " << config.goldenTests.size() << "\n\n"
              << "Each word of " << samplePath.string() << " as the same keys type it in the other layouts:\n";

    const std::vector<LayoutDirection> latinDirections = {{"en", "ru"}, {"en", "uk"}};
    const std::vector<LayoutDirection> cyrillicDirections = {{"ru", "en"}, {"uk", "en"}};
    const KeyboardMap noMap;
    auto mapFor = [&](const KeyboardMapsByDirection& maps, const LayoutDirection& d) -> const KeyboardMap& {
        auto it = maps.find(d);
        return it == maps.end() ? noMap : it->second;
    };

    TokenBuffer buffer([&](const EmittedToken& emitted) {
        bool latin = UnicodeText::isAscii(emitted.token);
        std::printf("  %-22s", emitted.token.c_str());
        for (const LayoutDirection& d : latin ? latinDirections : cyrillicDirections) {
            std::string rendered = KeyboardMaps::mapToken(emitted.token, mapFor(config.keyboardLayout.maps, d),
                                                          mapFor(config.keyboardLayout.shiftMaps, d));
            std::printf("  %s: %s", d.name().c_str(), rendered.c_str());
        }
        std::printf("\n");
    });
    for (const std::string& c : UnicodeText::graphemes(*sample)) {
        buffer.process(classify(c));
    }
    buffer.process(TokenEvent::boundaryEvent(BoundaryType::enter()));
    return 0;
}
