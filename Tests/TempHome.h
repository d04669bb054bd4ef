// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A fresh, empty home directory for one test, with HOME pointing at it and the XDG and sandbox
// variables cleared (so the developer log and the instance socket live in it too); everything is
// put back afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace keyvane::testing {

class TempHome {
public:
    TempHome() {
        char pattern[] = "/tmp/keyvane-home-XXXXXX";
        path_ = ::mkdtemp(pattern);
        for (const char* name :
             {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR",
              "APP_SANDBOX_CONTAINER_ID", "FLATPAK_ID", "SNAP", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE",
              "XDG_CURRENT_DESKTOP", "IBUS_COMPONENT_PATH"}) {
            const char* value = std::getenv(name);
            saved_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
            ::unsetenv(name);
        }
        ::setenv("HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        for (const auto& [name, value] : saved_) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return path_; }

    void write(const std::string& relative, const std::string& contents) const {
        std::filesystem::path file = std::filesystem::path(path_) / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
    }

    // The files beside `relative` whose names start with its name and `suffix` (kept copies).
    std::vector<std::string> siblings(const std::string& relative, const std::string& suffix) const {
        std::filesystem::path file = std::filesystem::path(path_) / relative;
        std::vector<std::string> found;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path(), ec)) {
            if (entry.path().filename().string().starts_with(file.filename().string() + suffix)) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    std::string read(const std::string& relative) const {
        std::ifstream in(std::filesystem::path(path_) / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string path_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace keyvane::testing
