// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/Language.h"

#include <optional>
#include <string>
#include <vector>

namespace keyvane {

enum class CLIType { test, learn, harvestNgrams, harvestWords, roundtrip };
enum class VerificationValidationMode { normal, reverse };
// A Cyrillic word typed on the English layout (shows in Latin letters), or the reverse.
enum class KeyvaneDirection { ruTypedAsEn, enTypedAsRu };

// "test", "learn", "harvest_ngrams", "harvest_words", "roundtrip".
const char* toString(CLIType type);
// "normal", "reverse".
const char* toString(VerificationValidationMode mode);
// "RU_TYPED_AS_EN", "EN_TYPED_AS_RU".
const char* toString(KeyvaneDirection direction);

// One parsed developer command line.
struct CLIOptions {
    std::string file;
    std::optional<std::string> inputString;
    CLIType type = CLIType::test;
    Language language = Language::en;
    VerificationValidationMode validation = VerificationValidationMode::normal;
    int minLength = 0;
    bool unique = false;
    bool keys = false; // roundtrip: type the text key for key, punctuation included
    std::optional<std::vector<Language>> languages;
    std::optional<std::string> rulesFile; // a rules file the user names, in place of the shipped one
    std::optional<Language> session;
};

// A word the engine would switch (normal verification).
struct KeyvaneCandidate {
    std::string originalWord;
    std::string suggestedWord;
    KeyvaneDirection direction;
    Language expectedLanguage;
    std::string reason;
    std::optional<double> confidenceScore;
};

// A word the engine leaves alone although it should switch it (reverse verification).
struct KeyvaneMissedCandidate {
    std::string originalWord;
    std::optional<std::string> expectedSwitchedWord;
    KeyvaneDirection expectedDirection;
    Language expectedLanguage;
    std::string actualDecision;
    std::string rejectionReason;
    std::optional<double> layoutConfidence;
    std::optional<double> finalScore;
    std::optional<double> threshold;
    int count = 1;
};

// Why a command line was refused; message() is the one line printed on standard error.
struct CLIError {
    enum class Kind {
        missingValueFor,
        fileNotFound,
        unsupportedType,
        unsupportedLanguage,
        unsupportedValidation,
        unsupportedBool,
        unsupportedInt,
        unknownArg,
        missingFileOrInputArg,
    };
    Kind kind;
    std::string value;  // the option, path, value or argument the message names
    std::string option; // for unsupportedBool and unsupportedInt

    std::string message() const;
};

} // namespace keyvane
