// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/shortcuts/HotkeyManager.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/SettingsFile.h"
#include "KeyvaneCore/AppPaths.h"

#include <QSettings>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace keyvane {
namespace {

constexpr const char* undoKey = "undoShortcut";
constexpr const char* switchKey = "switchShortcut";
constexpr const char* convertToKeyPrefix = "convertToShortcut.";
// How earlier versions stored the shortcuts: numbers.
constexpr const char* earlierConvertKeyCode = "convertToKeyCode.";
constexpr const char* earlierConvertModifiers = "convertToModifiers.";

// A shortcut that would take a key the user types with is refused, whoever wrote it there: grabbed
// as a global hotkey, "E" would take every e typed ("hello every" became "hllovry").
std::optional<Shortcut> refusedIfTyping(const std::optional<Shortcut>& shortcut, const QString& key,
                                        const std::string& instead) {
    if (shortcut && !shortcut->leavesTypingAlone()) {
        userNotice("Keyvane: " + key.toStdString() + "=" + shortcut->toString() + " in " +
                   HotkeyManager::settingsPath() +
                   " is refused: a shortcut needs Control, Alt or Super, or a function key; " + instead);
        return std::nullopt;
    }
    return shortcut;
}

std::optional<Shortcut> readShortcut(const QSettings& settings, const QString& key,
                                     const std::optional<Shortcut>& fallback) {
    return refusedIfTyping(Shortcut::fromString(settings.value(key).toString().toStdString()), key,
                           fallback ? fallback->toString() + " applies" : "it is not used");
}

QSettings openSettings() {
    return QSettings(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
}

} // namespace

std::string HotkeyManager::settingsPath() {
    return AppPaths::userDefaultsPath();
}

HotkeyManager::HotkeyManager(PlatformServices& platform)
    : platform_(platform)
    , shortcutKeysUp_(platform, platform) {}

void HotkeyManager::loadSettings() {
    if (!SettingsFile::usable(settingsPath())) {
        return;
    }
    QSettings settings = openSettings();
    if (settings.contains("undoKeyCode")) {
        readEarlierNumbers();
        return;
    }
    undoShortcut = readShortcut(settings, undoKey, defaultUndo).value_or(defaultUndo);
    switchShortcut = readShortcut(settings, switchKey, defaultSwitch).value_or(defaultSwitch);
    convertToBindings.clear();
    for (const QString& key : settings.allKeys()) {
        if (!key.startsWith(convertToKeyPrefix)) {
            continue;
        }
        const QString language = key.mid(static_cast<qsizetype>(std::string(convertToKeyPrefix).size()));
        if (auto shortcut = readShortcut(settings, key, std::nullopt); shortcut && !language.isEmpty()) {
            convertToBindings[language.toStdString()] = *shortcut;
        }
    }
}

void HotkeyManager::readEarlierNumbers() {
    QSettings settings = openSettings();
    auto earlier = [&](const QString& keyCode, const QString& modifiers, const Shortcut& fallback) {
        return refusedIfTyping(Shortcut::fromEarlierNumbers(settings.value(keyCode).toUInt(),
                                                            settings.value(modifiers).toUInt()),
                               keyCode, fallback.toString() + " applies")
            .value_or(fallback);
    };
    undoShortcut = earlier("undoKeyCode", "undoModifiers", defaultUndo);
    switchShortcut = earlier("switchKeyCode", "switchModifiers", defaultSwitch);
    convertToBindings.clear();
    for (const QString& key : settings.allKeys()) {
        if (!key.startsWith(earlierConvertKeyCode)) {
            continue;
        }
        const QString language = key.mid(static_cast<qsizetype>(std::string(earlierConvertKeyCode).size()));
        const QString modifiersKey = QString(earlierConvertModifiers) + language;
        auto shortcut = refusedIfTyping(
            Shortcut::fromEarlierNumbers(settings.value(key).toUInt(), settings.value(modifiersKey).toUInt()),
            key, "it is not used");
        if (!language.isEmpty() && settings.contains(modifiersKey) && shortcut) {
            convertToBindings[language.toStdString()] = *shortcut;
        }
    }
    appLog("[Keyvane] Shortcuts of an earlier version read; they are stored as text from now on");
    saveSettings();
}

void HotkeyManager::saveSettings() const {
    if (!SettingsFile::usable(settingsPath())) {
        return;
    }
    QSettings settings = openSettings();
    settings.clear(); // every key is written again; the numbers of earlier versions go
    settings.setValue(undoKey, QString::fromStdString(undoShortcut.toString()));
    settings.setValue(switchKey, QString::fromStdString(switchShortcut.toString()));
    for (const auto& [language, shortcut] : convertToBindings) {
        settings.setValue(QString(convertToKeyPrefix) + QString::fromStdString(language),
                          QString::fromStdString(shortcut.toString()));
    }
    settings.sync(); // QSettings writes through a temporary file and renames it
}

void HotkeyManager::resetToDefaults() {
    undoShortcut = defaultUndo;
    switchShortcut = defaultSwitch;
    convertToBindings.clear();
}

void HotkeyManager::registerCallbacks(std::function<void()> undo, std::function<void()> manualSwitch,
                                      std::function<void(const std::string&)> convertTo) {
    onUndo = std::move(undo);
    onManualSwitch = std::move(manualSwitch);
    onConvertToLanguage = std::move(convertTo);
    hotkeyRegistration_ = platform_.onHotkey([this](int id) { dispatch(id); });
    registerHotkeys();
}

std::vector<Shortcut> HotkeyManager::registerHotkeys() {
    std::vector<Shortcut> refused;
    auto take = [&](int id, const Shortcut& shortcut) {
        if (!platform_.registerHotkey(id, shortcut.keyCode, shortcut.modifiers)) {
            appLog("[Keyvane] Hotkey id=" + std::to_string(id) + " (" + shortcut.toString() +
                   ") registration failed: another program holds it");
            refused.push_back(shortcut);
        }
    };
    take(1, undoShortcut);
    take(2, switchShortcut);
    idToLanguage_.clear();
    int id = 3;
    std::string languages;
    for (const auto& [language, binding] : convertToBindings) { // ascending language keys
        idToLanguage_[id] = language;
        take(id++, binding);
        languages += (languages.empty() ? "\"" : ", \"") + language + "\"";
    }
    appLog("[Keyvane] Hotkeys registered: undo=" + undoShortcut.toString() +
           ", switch=" + switchShortcut.toString() + ", convertTo=[" + languages + "]");
    return refused;
}

void HotkeyManager::unregisterAll() {
    platform_.unregisterHotkeys();
    idToLanguage_.clear();
}

void HotkeyManager::dispatch(int id) {
    if (id == 1) {
        if (onUndo) {
            onUndo(); // it decides at once what to undo, and waits itself for the keys to go up
        }
        return;
    }
    shortcutKeysUp_.then([this, id] { act(id); });
}

void HotkeyManager::act(int id) {
    if (id == 2) {
        if (onManualSwitch) {
            onManualSwitch();
        }
    } else if (auto it = idToLanguage_.find(id); it != idToLanguage_.end() && onConvertToLanguage) {
        onConvertToLanguage(it->second);
    }
}

} // namespace keyvane
