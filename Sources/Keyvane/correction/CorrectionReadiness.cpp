// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/CorrectionReadiness.h"

#include "Keyvane/correction/InputMethodPresence.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"

#include <cstdio>
#include <cstdlib>
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
    return InputMethodPresence::active(AppPaths::inputMethodHostMarkerPath()) ? WaylandReach::addonCorrects
                                                                              : WaylandReach::unreached;
}

std::string inputMethodSetupSteps() {
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

std::vector<std::string> problems(PlatformServices& platform, const RulesEngine& engine) {
    std::vector<std::string> found;
    const std::string directory = AppPaths::appSupportDir();
    if (!dataDirectoryWritable(directory)) {
        found.push_back("Its data directory " + directory +
                        " cannot be written: your languages, exclusions and what it learns cannot be kept.");
    }
    const std::set<std::string> installed = InstalledLanguageDetector::detectInstalledKeys(platform);
    if (installed.size() < 2) {
        found.push_back(
            "The keyboard layouts in use offer " +
            (installed.empty() ? std::string("none") : joined({installed.begin(), installed.end()})) +
            " of English (us), Russian (ru) and Ukrainian (ua): add a second one, for example with "
            "setxkbmap -layout us,ru,ua.");
    }
    if (waylandReach() == WaylandReach::unreached) {
        found.push_back("Only programs running through Xwayland are corrected in this Wayland session. " +
                        inputMethodSetupSteps());
    }
    if (engine.config().activeLanguages.size() < 2) {
        found.push_back("Only one language is active (" + joined(engine.config().activeLanguages) +
                        "): there is no other layout to correct words into.");
    }
    return found;
}

} // namespace keyvane::CorrectionReadiness
