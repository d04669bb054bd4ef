// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/SecurePrompts.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserDataFile.h"

#include <algorithm>
#include <filesystem>

namespace keyvane {
namespace {

bool listOfNames(const nlohmann::json& document, const char* key, std::vector<std::string>& names,
                 std::string* error) {
    auto member = document.find(key);
    if (member == document.end()) {
        return true;
    }
    if (!member->is_array()) {
        if (error != nullptr) {
            *error = std::string("\"") + key + "\" is not a list";
        }
        return false;
    }
    for (const nlohmann::json& name : *member) {
        if (!name.is_string()) {
            if (error != nullptr) {
                *error = std::string("\"") + key + "\" holds something other than names";
            }
            return false;
        }
        std::string lowered = UnicodeText::toLower(name.get<std::string>());
        if (!lowered.empty()) {
            names.push_back(std::move(lowered));
        }
    }
    return true;
}

std::optional<SecurePrompts> readList(const std::string& path, std::string* error) {
    auto text = AtomicFile::read(path);
    if (!text) {
        if (error != nullptr) {
            *error = "cannot be read";
        }
        return std::nullopt;
    }
    return SecurePrompts::parse(*text, error);
}

} // namespace

bool SecurePrompts::matches(const std::string& desktopEntryID, const std::string& wmClass) const {
    auto has = [](const std::vector<std::string>& names, const std::string& name) {
        return !name.empty() &&
               std::find(names.begin(), names.end(), UnicodeText::toLower(name)) != names.end();
    };
    return has(desktopEntryIDs, desktopEntryID) || has(windowClasses, wmClass);
}

std::optional<SecurePrompts> SecurePrompts::parse(std::string_view text, std::string* error) {
    auto document = UserDataFile::parse(text, error);
    if (!document) {
        return std::nullopt;
    }
    if (!document->is_object()) {
        if (error != nullptr) {
            *error = "not a JSON object";
        }
        return std::nullopt;
    }
    SecurePrompts prompts;
    if (!listOfNames(*document, "desktop_entries", prompts.desktopEntryIDs, error) ||
        !listOfNames(*document, "window_classes", prompts.windowClasses, error)) {
        return std::nullopt;
    }
    return prompts;
}

SecurePrompts SecurePrompts::load(std::string* problem) {
    const std::string own = AppPaths::securePromptsPath();
    std::error_code ec;
    if (std::filesystem::exists(own, ec)) {
        std::string error;
        if (auto prompts = readList(own, &error)) {
            return *prompts;
        }
        if (problem != nullptr) {
            *problem = own + ": " + error + "; the shipped list is used instead";
        }
    }
    for (const std::string& candidate : AppPaths::shippedFileCandidates("secure_prompts.json")) {
        if (!std::filesystem::exists(candidate, ec)) {
            continue;
        }
        std::string error;
        if (auto prompts = readList(candidate, &error)) {
            return *prompts;
        }
        if (problem != nullptr) {
            *problem = candidate + ": " + error;
        }
    }
    return {};
}

} // namespace keyvane
