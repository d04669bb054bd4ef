// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/CLIOptionsParser.h"

#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <map>
#include <optional>
#include <variant>

namespace keyvane::CLIOptionsParser {
namespace {

constexpr std::array<const char*, 11> knownOptions = {"-file",      "-input",   "-type",       "-language",
                                                      "-languages", "-session", "-validation", "-minLength",
                                                      "-unique",    "-keys",    "-rules"};

// "+5", "-0", "42"; nothing on anything else or on overflow.
std::optional<int> parseInteger(const std::string& value) {
    std::string_view digits = value;
    bool negative = false;
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
        negative = digits.front() == '-';
        digits.remove_prefix(1);
    }
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    long long parsed = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
    if (error != std::errc{} || end != digits.data() + digits.size() || parsed > 2147483647LL) {
        return std::nullopt;
    }
    return static_cast<int>(negative ? -parsed : parsed);
}

} // namespace

namespace {

// The options of an argument vector, or why they are refused.
std::variant<CLIOptions, CLIError> parseOrRefuse(const std::vector<std::string>& args) {
    std::map<std::string, std::string> given;
    for (std::size_t i = 1; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (std::find(knownOptions.begin(), knownOptions.end(), name) == knownOptions.end()) {
            return CLIError{CLIError::Kind::unknownArg, name, {}};
        }
        bool hasValue = i + 1 < args.size() && (name == "-input" || !args[i + 1].starts_with("-"));
        if (!hasValue) {
            return CLIError{CLIError::Kind::missingValueFor, name, {}};
        }
        given[name] = args[i + 1];
    }
    auto value = [&](const char* name) -> std::optional<std::string> {
        auto it = given.find(name);
        return it == given.end() ? std::nullopt : std::optional<std::string>(it->second);
    };

    CLIOptions options;
    options.file = value("-file").value_or("");
    options.inputString = value("-input");
    if (options.file.empty() && !options.inputString) {
        return CLIError{CLIError::Kind::missingFileOrInputArg, {}, {}};
    }
    std::error_code ec;
    if (!options.file.empty() && !std::filesystem::exists(options.file, ec)) {
        return CLIError{CLIError::Kind::fileNotFound, options.file, {}};
    }

    const std::string type = value("-type").value_or("test");
    bool typeKnown = false;
    for (CLIType t :
         {CLIType::test, CLIType::learn, CLIType::harvestNgrams, CLIType::harvestWords, CLIType::roundtrip}) {
        if (type == toString(t)) {
            options.type = t;
            typeKnown = true;
        }
    }
    if (!typeKnown) {
        return CLIError{CLIError::Kind::unsupportedType, type, {}};
    }

    const std::string language = value("-language").value_or("en");
    if (auto parsed = languageFromString(language)) {
        options.language = *parsed;
    } else {
        return CLIError{CLIError::Kind::unsupportedLanguage, language, {}};
    }

    if (auto rules = value("-rules")) {
        options.rulesFile = *rules;
    }
    if (auto list = value("-languages")) {
        std::vector<Language> languages;
        std::size_t start = 0;
        while (start <= list->size()) {
            std::size_t comma = list->find(',', start);
            std::string piece =
                list->substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            if (!piece.empty()) {
                std::string code = UnicodeText::toLower(UnicodeText::trimWhitespace(piece));
                auto listed = languageFromString(code);
                if (!listed) {
                    return CLIError{CLIError::Kind::unsupportedLanguage, code, {}};
                }
                languages.push_back(*listed);
            }
            if (comma == std::string::npos) {
                break;
            }
            start = comma + 1;
        }
        options.languages = languages;
    }

    const std::string validation = value("-validation").value_or("normal");
    if (validation == "normal" || validation == "reverse") {
        options.validation = validation == "reverse" ? VerificationValidationMode::reverse
                                                     : VerificationValidationMode::normal;
    } else {
        return CLIError{CLIError::Kind::unsupportedValidation, validation, {}};
    }

    if (auto session = value("-session")) {
        std::string code = UnicodeText::toLower(UnicodeText::trimWhitespace(*session));
        options.session = languageFromString(code);
        if (!options.session) {
            return CLIError{CLIError::Kind::unsupportedLanguage, code, {}};
        }
    }

    const bool reverse = options.validation == VerificationValidationMode::reverse;
    options.minLength = reverse ? 3 : 0;
    if (auto minLength = value("-minLength")) {
        auto parsed = parseInteger(*minLength);
        if (!parsed || *parsed < 0) {
            return CLIError{CLIError::Kind::unsupportedInt, *minLength, "-minLength"};
        }
        options.minLength = *parsed;
    }

    options.unique = reverse || options.type == CLIType::roundtrip;
    for (auto [name, field] : {std::pair{"-unique", &options.unique}, std::pair{"-keys", &options.keys}}) {
        if (auto text = value(name)) {
            std::string lower = UnicodeText::toLower(*text);
            if (lower == "true" || lower == "1" || lower == "yes") {
                *field = true;
            } else if (lower == "false" || lower == "0" || lower == "no") {
                *field = false;
            } else {
                return CLIError{CLIError::Kind::unsupportedBool, *text, name};
            }
        }
    }
    return options;
}

} // namespace

std::optional<CLIOptions> parse(const std::vector<std::string>& args, std::string* error) {
    auto parsed = parseOrRefuse(args);
    if (const auto* refusal = std::get_if<CLIError>(&parsed)) {
        if (error != nullptr) {
            *error = refusal->message();
        }
        return std::nullopt;
    }
    return std::get<CLIOptions>(std::move(parsed));
}

} // namespace keyvane::CLIOptionsParser
