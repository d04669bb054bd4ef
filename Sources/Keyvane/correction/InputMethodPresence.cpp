// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/InputMethodPresence.h"

#include "KeyvaneCore/AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace keyvane::InputMethodPresence {
namespace {

// The marker: the host's process number on the first line, then "language xx" and "paused 0|1".
struct Marker {
    long long pid = 0;
    InputMethodHostStatus status;
};

Marker read(const std::string& markerPath) {
    Marker marker;
    std::ifstream in(markerPath);
    if (!(in >> marker.pid)) {
        return {};
    }
    std::string name;
    std::string value;
    while (in >> name >> value) {
        if (name == "language" && value.size() <= 8) {
            marker.status.layoutLanguage = value == "-" ? std::string() : value;
        } else if (name == "paused") {
            marker.status.paused = value == "1";
        }
    }
    return marker;
}

bool running(long long pid) {
    // A host that died without taking it back no longer corrects anything.
    return pid > 0 && pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

} // namespace

void announce(const std::string& markerPath, const InputMethodHostStatus& status) {
    std::ostringstream text;
    text << ::getpid() << "\nlanguage " << (status.layoutLanguage.empty() ? "-" : status.layoutLanguage)
         << "\npaused " << (status.paused ? 1 : 0) << '\n';
    // Whole or not at all, so that a reader never sees half a marker; not synced to disk: it lives
    // in the runtime directory and says nothing once the session is over.
    AtomicFile::createDirectories(markerPath.substr(0, markerPath.find_last_of('/')));
    const std::string partial = markerPath + ".new-" + std::to_string(::getpid());
    {
        std::ofstream out(partial, std::ios::trunc);
        out << text.str();
        if (!out.flush()) {
            std::remove(partial.c_str());
            return;
        }
    }
    if (std::rename(partial.c_str(), markerPath.c_str()) != 0) {
        std::remove(partial.c_str());
    }
}

void withdraw(const std::string& markerPath) {
    if (read(markerPath).pid == ::getpid()) {
        std::remove(markerPath.c_str());
    }
}

bool active(const std::string& markerPath) {
    return running(read(markerPath).pid);
}

std::optional<InputMethodHostStatus> status(const std::string& markerPath) {
    const Marker marker = read(markerPath);
    if (!running(marker.pid)) {
        return std::nullopt;
    }
    return marker.status;
}

} // namespace keyvane::InputMethodPresence
