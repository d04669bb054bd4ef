// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/CorrectionReadiness.h"

#include "Keyvane/correction/InputMethodPresence.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace keyvane::CorrectionReadiness {
namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ", ") + item;
    }
    return text;
}

} // namespace

WaylandReach waylandReach() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool wayland =
        (display != nullptr && *display != '\0') || (session != nullptr && std::string(session) == "wayland");
    if (!wayland) {
        return WaylandReach::notWayland;
    }
    const bool hostRuns = InputMethodPresence::active(AppPaths::inputMethodHostMarkerPath());
    if (gnomeDesktop()) {
        return hostRuns                ? WaylandReach::engineCorrects
               : ibusEngineInstalled() ? WaylandReach::engineNotSelected
                                       : WaylandReach::engineNotInstalled;
    }
    return hostRuns ? WaylandReach::addonCorrects : WaylandReach::unreached;
}

bool gnomeDesktop() {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (desktops == nullptr) {
        return false;
    }
    // A list such as "ubuntu:GNOME".
    std::stringstream list(desktops);
    std::string name;
    while (std::getline(list, name, ':')) {
        if (name == "GNOME") {
            return true;
        }
    }
    return false;
}

bool ibusEngineInstalled() {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("IBUS_COMPONENT_PATH"); path != nullptr && *path != '\0') {
        std::stringstream list(path);
        for (std::string folder; std::getline(list, folder, ':');) {
            folders.push_back(folder);
        }
    } else {
        folders = {"/usr/share/ibus/component", "/usr/local/share/ibus/component"};
    }
    std::error_code ec;
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
        return std::filesystem::is_regular_file(folder + "/keyvane.xml", ec);
    });
}

std::string inputMethodSetupSteps() {
    if (gnomeDesktop()) {
        return "On GNOME on Wayland only IBus sees the keys of programs that do not run through X. To have "
               "Keyvane correct them: install its IBus engine (apt install keyvane-ibus), then in Settings, "
               "Keyboard, Input Sources, add \"Keyvane (English, Russian, Ukrainian)\" and remove the "
               "separate English, Russian and Ukrainian sources (it types all three).";
    }
    return "On Wayland only the input-method framework sees the keys of programs that do not run "
           "through X. To have Keyvane correct them: install fcitx5 and the addon (apt install fcitx5 "
           "keyvane-fcitx5), make fcitx5 the input method (im-config -n fcitx5, or your desktop's "
           "setting), add Keyboard - English (US), Russian and Ukrainian to its input methods "
           "(fcitx5-configtool), and log in again.";
}

bool dataDirectoryWritable(const std::string& directory) {
    if (!AtomicFile::createDirectories(directory)) {
        return false;
    }
    const std::string probe = directory + "/.keyvane-write-check-" + std::to_string(getpid());
    if (!AtomicFile::writeAtomically(probe, "")) {
        return false;
    }
    std::remove(probe.c_str());
    return true;
}

std::vector<std::string> problems(KeyboardLayouts& keyboard, const RulesEngine& engine) {
    std::vector<std::string> found;
    const std::string directory = AppPaths::appSupportDir();
    if (!dataDirectoryWritable(directory)) {
        found.push_back("Its data directory " + directory +
                        " cannot be written: your languages, exclusions and what it learns cannot be kept.");
    }
    const std::set<std::string> installed = InstalledLanguageDetector::detectInstalledKeys(keyboard);
    if (installed.size() < 2) {
        found.push_back(
            "The keyboard layouts in use offer " +
            (installed.empty() ? std::string("none") : joined({installed.begin(), installed.end()})) +
            " of English (us), Russian (ru) and Ukrainian (ua): add a second one, for example with "
            "setxkbmap -layout us,ru,ua.");
    }
    if (const WaylandReach reach = waylandReach(); reach == WaylandReach::unreached ||
                                                   reach == WaylandReach::engineNotInstalled ||
                                                   reach == WaylandReach::engineNotSelected) {
        found.push_back("Only programs running through Xwayland are corrected in this Wayland session. " +
                        inputMethodSetupSteps());
    }
    if (engine.config().activeLanguages.size() < 2) {
        std::vector<std::string> active;
        for (Language language : engine.config().activeLanguages) {
            active.emplace_back(toString(language));
        }
        found.push_back("Only one language is active (" + joined(active) +
                        "): there is no other layout to correct words into.");
    }
    return found;
}

} // namespace keyvane::CorrectionReadiness
