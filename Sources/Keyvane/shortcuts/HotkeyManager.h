#pragma once

#include "KeyvanePlatform/PlatformServices.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace keyvane {

// One shortcut: a virtual key code and Carbon-style modifiers (Command 0x0100, Shift 0x0200,
// Option 0x0800, Control 0x1000).
struct HotkeyBinding {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    bool operator==(const HotkeyBinding&) const = default;
};

// The system-wide shortcuts: undo the last correction, convert the selection, and convert the
// selection into a given language. Kept in ${XDG_CONFIG_HOME:-~/.config}/Keyvane/Keyvane.conf.
class HotkeyManager {
public:
    static constexpr std::uint32_t kDefaultUndoKeyCode = 103;   // F11
    static constexpr std::uint32_t kDefaultSwitchKeyCode = 111; // F12

    explicit HotkeyManager(PlatformServices& platform);

    std::function<void()> onUndo;
    std::function<void()> onManualSwitch;
    std::function<void(const std::string&)> onConvertToLanguage;
    std::function<void()> onHotkeysChanged;

    std::uint32_t undoKeyCode = kDefaultUndoKeyCode;
    std::uint32_t undoModifiers = ModifierBit::command;
    std::uint32_t switchKeyCode = kDefaultSwitchKeyCode;
    std::uint32_t switchModifiers = ModifierBit::command;
    std::map<std::string, HotkeyBinding> convertToBindings;

    void loadSettings();
    void saveSettings() const;
    void resetToDefaults();
    // Stores the callbacks and takes the shortcuts.
    void registerCallbacks(std::function<void()> undo, std::function<void()> manualSwitch,
                           std::function<void(const std::string&)> convertTo);
    void registerHotkeys();
    void unregisterAll();

    // The settings file (for tests and the settings window).
    static std::string settingsPath();

private:
    void dispatch(int id);

    PlatformServices& platform_;
    std::map<int, std::string> idToLanguage_;
};

} // namespace keyvane
