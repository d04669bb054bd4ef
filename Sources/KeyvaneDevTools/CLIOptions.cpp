// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/CLIOptions.h"

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

const char* toString(ExpectedLanguage language) {
    switch (language) {
    case ExpectedLanguage::en: return "en";
    case ExpectedLanguage::ru: return "ru";
    case ExpectedLanguage::uk: return "uk";
    }
    return "en";
}

const char* toString(VerificationValidationMode mode) {
    return mode == VerificationValidationMode::reverse ? "reverse" : "normal";
}

const char* toString(KeyvaneDirection direction) {
    return direction == KeyvaneDirection::ruTypedAsEn ? "RU_TYPED_AS_EN" : "EN_TYPED_AS_RU";
}

std::string CLIError::message() const {
    switch (kind) {
    case Kind::missingValueFor: return "Error: Missing value for " + value + ".";
    case Kind::fileNotFound: return "Error: File not found: " + value;
    case Kind::unsupportedType:
        return "Error: Unsupported type '" + value +
               "'. Supported values: test, learn, harvest_ngrams, harvest_words, roundtrip.";
    case Kind::unsupportedLanguage:
        return "Error: Unsupported language '" + value + "'. Supported values: en, ru, uk.";
    case Kind::unsupportedValidation:
        return "Error: Unsupported validation '" + value + "'. Supported values: normal, reverse.";
    case Kind::unsupportedBool:
        return "Error: Unsupported value '" + value + "' for " + option + ". Supported values: true, false.";
    case Kind::unsupportedInt:
        return "Error: Unsupported value '" + value + "' for " + option +
               ". Expected a non-negative integer.";
    case Kind::unknownArg: return "Error: Unknown argument '" + value + "'.";
    case Kind::missingFileOrInputArg: return "Error: either -file <path> or -input \"<string>\" is required.";
    }
    return "Error: invalid command line.";
}

} // namespace keyvane
