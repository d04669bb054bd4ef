// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/DesktopEntries.h"

#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace keyvane::DesktopEntries {
namespace {

std::string lowerAscii(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return s;
}

} // namespace

std::vector<std::string> directories() {
    std::vector<std::string> dirs;
    for (const std::string& data : AppPaths::dataDirectories()) {
        dirs.push_back(data + "/applications");
    }
    dirs.push_back(AppPaths::homeDirectory() + "/.local/share/flatpak/exports/share/applications");
    dirs.push_back("/var/lib/flatpak/exports/share/applications");
    return dirs;
}

std::map<std::string, std::string> fields(const std::string& path) {
    std::map<std::string, std::string> out;
    const std::optional<std::string> text = AtomicFile::read(path);
    if (!text) {
        return out;
    }
    std::istringstream in(*text);
    bool mainGroup = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        const std::size_t eq = line.find('=');
        if (mainGroup && eq != std::string::npos) {
            out.try_emplace(line.substr(0, eq), line.substr(eq + 1));
        }
    }
    return out;
}

FrontmostApplication applicationFor(const std::string& gtkApplicationID, const std::string& wmClass,
                                    const std::string& wmInstance) {
    for (const std::string& dir : directories()) {
        for (const std::string& candidate : {gtkApplicationID, wmClass, lowerAscii(wmClass), wmInstance}) {
            if (candidate.empty() || candidate.find('/') != std::string::npos) {
                continue;
            }
            const std::string path = dir + "/" + candidate + ".desktop";
            std::error_code ec;
            if (std::filesystem::is_regular_file(path, ec)) {
                auto entry = fields(path);
                return {candidate, entry.contains("Name") ? entry["Name"] : wmClass, path, wmClass};
            }
        }
    }
    return {lowerAscii(wmClass), wmClass, std::nullopt, wmClass};
}

} // namespace keyvane::DesktopEntries
