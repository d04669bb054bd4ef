// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// The user's list of input sources in GNOME (the "sources" key of org.gnome.desktop.input-sources,
// which GNOME Settings shows under Keyboard, Input Sources), read and changed through GSettings.
namespace GnomeInputSources {

struct Source {
    std::string type; // "xkb" or "ibus"
    std::string id;   // "us", "ru+phonetic", "keyvane"
    bool operator==(const Source&) const = default;
};

// Keyvane's IBus engine as GNOME lists it.
inline const Source keyvane{"ibus", "keyvane"};

// The user's list as it is now: empty where GNOME's settings are not installed.
std::vector<Source> read();

// The list with Keyvane's engine first and every source the user had after it, in their order:
// their layouts and their variants stay, for the engine to type and for the user to go back to.
std::vector<Source> withKeyvane(std::vector<Source> sources);

// Adds Keyvane's engine to the user's list, as withKeyvane() says; nothing when it is there. On
// failure, the reason ("GNOME's input-source settings are not installed").
std::optional<std::string> addKeyvane();

// GNOME keeps Super+Space for going from one input source to the next, so with Keyvane's engine as
// the only source that key switches nothing. A layout-switch option of XKB ("grp:", as GNOME Tweaks
// sets) reaches the engine, which goes round its layouts on it.

// Whether the user has such an option: their switch key already reaches the engine.
bool hasLayoutSwitchKey();

// The options with "grp:win_space_toggle" added, unless one "grp:" option is there.
std::vector<std::string> withSuperSpaceSwitch(std::vector<std::string> xkbOptions);

// Super+Space switches the engine's layouts: the option above is added, and GNOME's own switching
// of input sources gives up Super+Space (and Shift+Super+Space) and keeps its other keys. On
// failure, the reason.
std::optional<std::string> giveSuperSpaceToKeyvane();

} // namespace GnomeInputSources
} // namespace keyvane
