// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The live program's coordinator on the in-memory desktop, in a home of its own with the given
// preferences and an editor in front, watching keys.

#include "../TempHome.h"
#include "Keyvane/correction/AppState.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace keyvane::testing {

struct LiveDesktop {
    TempHome home;
    FakePlatform platform;
    std::unique_ptr<AppState> app;

    explicit LiveDesktop(const std::string& prefs = R"({"active_languages": ["en", "ru", "uk"]})") {
        home.write(".local/share/keyvane/user_preferences.json", prefs);
        platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
        app = AppState::create(platform);
        app->startObserving();
    }
    void type(std::initializer_list<std::uint16_t> keys) {
        for (auto k : keys) {
            platform.pressKey(k);
        }
    }
    void typeGhbdtn() {
        type({KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space});
    }
    std::string field(const std::string& before = "ghbdtn ") const { return platform.typedText(before); }
    // Whether "ghbdtn " typed now is corrected.
    bool corrects() {
        const std::size_t before = platform.posted.size();
        typeGhbdtn();
        platform.advance(2);
        return platform.posted.size() > before;
    }
};

} // namespace keyvane::testing
