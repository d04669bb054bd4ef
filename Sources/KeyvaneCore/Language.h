// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string_view>

namespace keyvane {

// A language the engine corrects into and out of, and whose keyboard layout it switches to.
// Written as its code ("en", "ru", "uk") in files, on the command line and in logs, and only
// there: a code that names no language is turned away where it is read.
enum class Language : std::uint8_t { en, ru, uk };

inline constexpr std::array<Language, 3> allLanguages{Language::en, Language::ru, Language::uk};

// "en", "ru", "uk".
const char* toString(Language language);
// The language of a code; nothing for any other text ("ua", "EN", "").
std::optional<Language> languageFromString(std::string_view code);
// Reports and logs print the code; JSON holds it as a string, never as a number.
std::ostream& operator<<(std::ostream& out, Language language);
void to_json(nlohmann::json& json, Language language);
// Throws nlohmann::json::type_error for anything but a language code.
void from_json(const nlohmann::json& json, Language& language);

// Languages as one bit each: the active ones.
class LanguageSet {
public:
    constexpr bool contains(Language language) const { return (bits_ & bit(language)) != 0; }
    constexpr void insert(Language language) { bits_ |= bit(language); }

private:
    static constexpr std::uint8_t bit(Language language) {
        return static_cast<std::uint8_t>(1U << static_cast<unsigned>(language));
    }
    std::uint8_t bits_ = 0;
};

// Languages in an order, each once at most (what a word's letters allow, say), without an
// allocation on the word path. A language beyond the room is not kept.
class LanguageList {
public:
    constexpr void push_back(Language language) {
        if (size_ < items_.size()) {
            items_[size_++] = language;
        }
    }
    constexpr std::size_t size() const { return size_; }
    constexpr bool empty() const { return size_ == 0; }
    constexpr Language front() const { return items_[0]; }
    constexpr const Language* begin() const { return items_.data(); }
    constexpr const Language* end() const { return items_.data() + size_; }

private:
    std::array<Language, allLanguages.size()> items_{};
    std::size_t size_ = 0;
};

} // namespace keyvane
