// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/Language.h"

#include <nlohmann/json.hpp>
#include <ostream>

namespace keyvane {

const char* toString(Language language) {
    switch (language) {
    case Language::en: return "en";
    case Language::ru: return "ru";
    case Language::uk: return "uk";
    }
    return "en";
}

std::optional<Language> languageFromString(std::string_view code) {
    for (Language language : allLanguages) {
        if (code == toString(language)) {
            return language;
        }
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, Language language) {
    return out << toString(language);
}

void to_json(nlohmann::json& json, Language language) {
    json = toString(language);
}

void from_json(const nlohmann::json& json, Language& language) {
    const std::optional<Language> parsed =
        json.is_string() ? languageFromString(json.get_ref<const std::string&>()) : std::nullopt;
    if (!parsed) {
        throw nlohmann::json::type_error::create(302, "not a language code: " + json.dump(), &json);
    }
    language = *parsed;
}

} // namespace keyvane
