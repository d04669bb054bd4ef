// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/correction/ModifierRelease.h"
#include "Keyvane/shortcuts/Shortcut.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace keyvane {

// The system-wide shortcuts: undo the last correction, convert the selection, and convert the
// selection into a given language. Kept in ${XDG_CONFIG_HOME:-~/.config}/Keyvane/Keyvane.conf as
// text ("undoShortcut=Control+F11"); the numbers earlier versions wrote there are read once and
// replaced.
class HotkeyManager {
public:
    static constexpr Shortcut defaultUndo{KeyCode::f11, Modifier::control};
    static constexpr Shortcut defaultSwitch{KeyCode::f12, Modifier::control};

    explicit HotkeyManager(PlatformServices& platform);

    std::function<void()> onUndo;
    std::function<void()> onManualSwitch;
    std::function<void(const std::string&)> onConvertToLanguage;
    std::function<void()> onHotkeysChanged;

    Shortcut undoShortcut = defaultUndo;
    Shortcut switchShortcut = defaultSwitch;
    std::map<std::string, Shortcut> convertToBindings;

    void loadSettings();
    void saveSettings() const;
    void resetToDefaults();
    // Stores the callbacks and takes the shortcuts.
    void registerCallbacks(std::function<void()> undo, std::function<void()> manualSwitch,
                           std::function<void(const std::string&)> convertTo);
    // Takes every shortcut; gives those another program or the desktop already holds.
    std::vector<Shortcut> registerHotkeys();
    void unregisterAll();

    // The settings file (for tests and the settings window).
    static std::string settingsPath();

private:
    void dispatch(int id);
    void act(int id);
    // Reads the numbers an earlier version stored and writes them back as text.
    void readEarlierNumbers();

    PlatformServices& platform_;
    ModifierRelease shortcutKeysUp_; // what a shortcut does waits there until its keys are up
    std::map<int, std::string> idToLanguage_;
    Registration hotkeyRegistration_; // taken out first as this goes
};

} // namespace keyvane
