#include "Keyvane/shortcuts/HotkeyManager.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/AppPaths.h"

#include <QSettings>
#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace keyvane {
namespace {

constexpr const char* kConvertKeyCode = "convertToKeyCode.";
constexpr const char* kConvertModifiers = "convertToModifiers.";

QSettings openSettings() {
    return QSettings(QString::fromStdString(HotkeyManager::settingsPath()), QSettings::IniFormat);
}

// Missing or a regular file: anything else at the path (a FIFO would block the reader for ever, a
// directory cannot be written) is left alone and the defaults apply.
bool settingsFileUsable() {
    struct stat info {};
    if (::lstat(HotkeyManager::settingsPath().c_str(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISREG(info.st_mode)) {
        appLog("[Keyvane] " + HotkeyManager::settingsPath() +
               " is no regular file; the default shortcuts apply");
        return false;
    }
    return true;
}

} // namespace

std::string HotkeyManager::settingsPath() {
    return AppPaths::configHome() + "/Keyvane/Keyvane.conf";
}

HotkeyManager::HotkeyManager(PlatformServices& platform)
    : platform_(platform) {}

void HotkeyManager::loadSettings() {
    if (!settingsFileUsable()) {
        return;
    }
    QSettings settings = openSettings();
    if (settings.contains("undoKeyCode")) {
        undoKeyCode = settings.value("undoKeyCode", 0).toUInt();
        undoModifiers = settings.value("undoModifiers", 0).toUInt();
        switchKeyCode = settings.value("switchKeyCode", 0).toUInt();
        switchModifiers = settings.value("switchModifiers", 0).toUInt();
    }
    convertToBindings.clear();
    for (const QString& key : settings.allKeys()) {
        if (!key.startsWith(kConvertKeyCode)) {
            continue;
        }
        const QString language = key.mid(static_cast<qsizetype>(std::string(kConvertKeyCode).size()));
        const QString modifiersKey = QString(kConvertModifiers) + language;
        if (language.isEmpty() || !settings.contains(modifiersKey)) {
            continue;
        }
        convertToBindings[language.toStdString()] = {settings.value(key).toUInt(),
                                                     settings.value(modifiersKey).toUInt()};
    }
}

void HotkeyManager::saveSettings() const {
    if (!settingsFileUsable()) {
        return;
    }
    QSettings settings = openSettings();
    settings.setValue("undoKeyCode", undoKeyCode);
    settings.setValue("undoModifiers", undoModifiers);
    settings.setValue("switchKeyCode", switchKeyCode);
    settings.setValue("switchModifiers", switchModifiers);
    for (const QString& key : settings.allKeys()) {
        if (key.startsWith(kConvertKeyCode) || key.startsWith(kConvertModifiers)) {
            settings.remove(key);
        }
    }
    for (const auto& [language, binding] : convertToBindings) {
        settings.setValue(QString(kConvertKeyCode) + QString::fromStdString(language), binding.keyCode);
        settings.setValue(QString(kConvertModifiers) + QString::fromStdString(language), binding.modifiers);
    }
    settings.sync(); // QSettings writes through a temporary file and renames it
}

void HotkeyManager::resetToDefaults() {
    undoKeyCode = kDefaultUndoKeyCode;
    undoModifiers = ModifierBit::command;
    switchKeyCode = kDefaultSwitchKeyCode;
    switchModifiers = ModifierBit::command;
    convertToBindings.clear();
}

void HotkeyManager::registerCallbacks(std::function<void()> undo, std::function<void()> manualSwitch,
                                      std::function<void(const std::string&)> convertTo) {
    onUndo = std::move(undo);
    onManualSwitch = std::move(manualSwitch);
    onConvertToLanguage = std::move(convertTo);
    platform_.onHotkey([this](int id) { dispatch(id); });
    registerHotkeys();
}

void HotkeyManager::registerHotkeys() {
    auto take = [&](int id, std::uint32_t keyCode, std::uint32_t modifiers) {
        if (!platform_.registerHotkey(id, static_cast<std::uint16_t>(keyCode), modifiers)) {
            appLog("[Keyvane] Hotkey id=" + std::to_string(id) + " registration failed (status=-1)");
        }
    };
    take(1, undoKeyCode, undoModifiers);
    take(2, switchKeyCode, switchModifiers);
    idToLanguage_.clear();
    int id = 3;
    std::string languages;
    for (const auto& [language, binding] : convertToBindings) { // ascending language keys
        idToLanguage_[id] = language;
        take(id++, binding.keyCode, binding.modifiers);
        languages += (languages.empty() ? "\"" : ", \"") + language + "\"";
    }
    appLog("[Keyvane] Hotkeys registered: undo=" + std::to_string(undoKeyCode) + "/" +
           std::to_string(undoModifiers) + ", switch=" + std::to_string(switchKeyCode) + "/" +
           std::to_string(switchModifiers) + ", convertTo=[" + languages + "]");
}

void HotkeyManager::unregisterAll() {
    platform_.unregisterHotkeys();
    idToLanguage_.clear();
}

void HotkeyManager::dispatch(int id) {
    if (id == 1) {
        if (onUndo) {
            onUndo();
        }
    } else if (id == 2) {
        if (onManualSwitch) {
            onManualSwitch();
        }
    } else if (auto it = idToLanguage_.find(id); it != idToLanguage_.end() && onConvertToLanguage) {
        onConvertToLanguage(it->second);
    }
}

} // namespace keyvane
