// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvanePlatform/KeyboardLayouts.h"

#include <string>
#include <vector>

// Whether the live program can correct anything at all, told plainly at start instead of a
// banner that claims it works.
namespace keyvane::CorrectionReadiness {

// Whether the keys of programs on Wayland reach Keyvane: there only the input-method framework
// sees them, so they are corrected only where fcitx5 runs Keyvane's addon, or on GNOME, whose
// input sources are IBus's, where Keyvane's IBus engine is the input source.
enum class WaylandReach {
    notWayland,         // an X11 session: the X11 host sees every program's keys
    addonCorrects,      // a Wayland session whose fcitx5 runs the addon
    unreached,          // a Wayland session without it: only programs on Xwayland are corrected
    engineCorrects,     // GNOME on Wayland, with the IBus engine as the input source
    engineNotSelected,  // GNOME on Wayland, the engine installed but not the input source
    engineNotInstalled, // GNOME on Wayland without the engine
};
WaylandReach waylandReach();
// Whether the desktop is GNOME (XDG_CURRENT_DESKTOP), whose keyboard layouts are IBus input sources.
bool gnomeDesktop();
// Whether IBus can find the engine: its component file in IBus's component folders.
bool ibusEngineInstalled();
// What a user does to have programs on Wayland corrected, in one paragraph.
std::string inputMethodSetupSteps();

// One sentence per reason the program cannot correct words (or the words of some programs), or
// cannot keep what it learns; empty when all is well.
std::vector<std::string> problems(KeyboardLayouts& keyboard, const RulesEngine& engine);

// Whether the data directory exists or can be made, and takes a new file.
bool dataDirectoryWritable(const std::string& directory);

} // namespace keyvane::CorrectionReadiness
