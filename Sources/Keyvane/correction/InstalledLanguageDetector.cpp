// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/InstalledLanguageDetector.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserPreferences.h"

#include <algorithm>

namespace keyvane::InstalledLanguageDetector {
namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        out += (i == 0 ? "" : ", ") + items[i];
    }
    return out;
}

} // namespace

std::optional<std::string> currentLayoutID(KeyboardLayouts& keyboard) {
    auto layout = keyboard.currentLayout();
    if (!layout) {
        return std::nullopt;
    }
    return layout->id();
}

std::optional<Language> currentKey(KeyboardLayouts& keyboard) {
    auto layout = keyboard.currentLayout();
    return layout ? layout->language : std::nullopt;
}

std::set<std::string> detectInstalledKeys(KeyboardLayouts& keyboard) {
    auto layouts = keyboard.enabledLayouts();
    if (!layouts) {
        appLog("[Keyvane] The keyboard layouts could not be listed — assuming no detected languages");
        return {};
    }
    std::set<std::string> keys;
    for (const KeyboardLayout& layout : *layouts) {
        if (layout.language) {
            keys.insert(toString(*layout.language));
        }
    }
    appLog("[Keyvane] Installed keyboard layouts → languages: [" +
           joined(std::vector<std::string>(keys.begin(), keys.end())) + "]");
    return keys;
}

std::vector<std::string> reconcile(const std::vector<std::string>& saved,
                                   const std::set<std::string>& detected) {
    std::vector<std::string> result{"en"};
    auto taken = [&](const std::string& k) {
        return std::find(result.begin(), result.end(), k) != result.end();
    };
    for (const std::string& entry : saved) {
        std::string k = UnicodeText::toLower(entry);
        if (!taken(k) && detected.contains(k)) {
            result.push_back(k);
        }
    }
    for (const std::string& k : detected) {
        if (!taken(k)) {
            result.push_back(k);
        }
    }
    return result;
}

bool reconcileAndPersist(KeyboardLayouts& keyboard) {
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    std::set<std::string> detected = detectInstalledKeys(keyboard);
    detected.insert("en");
    std::vector<std::string> reconciled = reconcile(preferences.activeLanguages, detected);
    if (reconciled == preferences.activeLanguages) {
        return false;
    }
    appLog("[Keyvane] activeLanguages reconciled: [" + joined(preferences.activeLanguages) + "] → [" +
           joined(reconciled) + "]");
    preferences.activeLanguages = reconciled;
    UserPreferences::save(preferences, UserPreferences::defaultPath());
    return true;
}

} // namespace keyvane::InstalledLanguageDetector
