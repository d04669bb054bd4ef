// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

// The interface texts in English, Ukrainian and Russian, by dotted key.
namespace keyvane::L10n {

// The current interface language ("en" until set); any code but "uk" and "ru" means English.
const std::string& language();
void setLanguage(const std::string& code);

// The selectable interface languages in menu order: code and display name.
const std::vector<std::pair<std::string, std::string>>& uiLanguages();

// The text for a key in the current language, else in English, else the key itself. Texts may
// hold "%@" (a string) and "%d" (a number) for the caller to fill.
std::string t(const std::string& key);
// The same in a given language.
std::string t(const std::string& key, const std::string& languageCode);

// The text for a key with its one placeholder ("%@" or "%d") filled with `argument`.
std::string format(const std::string& key, const std::string& argument);

// Every key, in table order.
const std::vector<std::string>& keys();

} // namespace keyvane::L10n
