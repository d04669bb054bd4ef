// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/CLIOptions.h"

#include <cstdio>

namespace keyvane {

const char* toString(CLIType type) {
    switch (type) {
    case CLIType::test: return "test";
    case CLIType::learn: return "learn";
    case CLIType::harvestNgrams: return "harvest_ngrams";
    case CLIType::harvestWords: return "harvest_words";
    case CLIType::roundtrip: return "roundtrip";
    }
    return "test";
}

const char* toString(VerificationValidationMode mode) {
    return mode == VerificationValidationMode::reverse ? "reverse" : "normal";
}

const char* toString(KeyvaneDirection direction) {
    return direction == KeyvaneDirection::ruTypedAsEn ? "RU_TYPED_AS_EN" : "EN_TYPED_AS_RU";
}

namespace {

// A value as the message shows it: control characters (line breaks, terminal escapes) written as
// "\n", "\t" or "\xNN", so that the message stays one harmless line whatever was given.
std::string shown(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool c1 = c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || c1) {
            const unsigned char code = c1 ? static_cast<unsigned char>(text[++i]) : c;
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", code);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

std::string CLIError::message() const {
    const std::string given = shown(value);
    const std::string named = shown(option);
    switch (kind) {
    case Kind::missingValueFor: return "Error: Missing value for " + given + ".";
    case Kind::fileNotFound: return "Error: File not found: " + given;
    case Kind::unsupportedType:
        return "Error: Unsupported type '" + given +
               "'. Supported values: test, learn, harvest_ngrams, harvest_words, roundtrip.";
    case Kind::unsupportedLanguage:
        return "Error: Unsupported language '" + given + "'. Supported values: en, ru, uk.";
    case Kind::unsupportedValidation:
        return "Error: Unsupported validation '" + given + "'. Supported values: normal, reverse.";
    case Kind::unsupportedBool:
        return "Error: Unsupported value '" + given + "' for " + named + ". Supported values: true, false.";
    case Kind::unsupportedInt:
        return "Error: Unsupported value '" + given + "' for " + named + ". Expected a non-negative integer.";
    case Kind::unknownArg: return "Error: Unknown argument '" + given + "'.";
    case Kind::missingFileOrInputArg: return "Error: either -file <path> or -input \"<string>\" is required.";
    }
    return "Error: invalid command line.";
}

} // namespace keyvane
