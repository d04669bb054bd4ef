// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/ReplacementAdapter.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <limits>

namespace keyvane::ReplacementAdapter {
namespace {

struct SwitchState {
    std::optional<std::string> lastID;
    double lastAt = -std::numeric_limits<double>::infinity();
    long long generation = 0;
};

SwitchState& state() {
    static SwitchState s;
    return s;
}

void postMarked(TextInjection& typing, SyntheticKeyEvent event) {
    event.userData = syntheticEventMarker;
    event.keyDown = true;
    typing.postKeyEvent(event);
    event.keyDown = false;
    typing.postKeyEvent(event);
}

std::optional<std::string> characterForR(PlatformServices& platform, const KeyboardLayout& source) {
    auto text = platform.translateKey(source, KeyCode::r, 0);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return UnicodeText::firstGrapheme(*text);
}

bool effectiveLayoutMatches(PlatformServices& platform, const KeyboardLayout& target) {
    auto current = platform.currentLayout();
    if (!current) {
        return false;
    }
    auto wanted = characterForR(platform, target);
    auto actual = characterForR(platform, *current);
    return wanted && actual && *wanted == *actual;
}

// One switch request: the layout it selects, the one in use when it was made, and whether the
// selection has been seen to hold.
struct SwitchRequest {
    KeyboardLayout source;
    std::optional<KeyboardLayout> before;
    long long generation = 0;
    bool held = false;
};

void selectUntilEffective(PlatformServices& platform, SwitchRequest request, int tick) {
    if (request.generation != state().generation) {
        return; // a newer switch has taken over
    }
    const KeyboardLayout& source = request.source;
    const std::string id = source.id().empty() ? "<unknown>" : source.id();
    bool verdictNow = false;
    bool skipSelection = false;
    if (tick > 0 && effectiveLayoutMatches(platform, source)) {
        verdictNow = tick > 6;
        skipSelection = true;
        request.held = true;
    } else if (tick > 0) {
        // The layout changed after the selection held, or to one that is neither the old nor the
        // new: the user chose it, and the user's choice is never undone.
        auto current = platform.currentLayout();
        if (request.held || (current && current != request.before)) {
            appLog("[Keyvane] switchLayout: the user chose " + (current ? current->id() : std::string("?")) +
                   " — no more re-assertion of " + id);
            return;
        }
    }
    if (!skipSelection) {
        int status = platform.selectLayout(source);
        if (status != 0) {
            appLog("[Keyvane] switchLayout: selecting layout '" + id + "' returned status " +
                   std::to_string(status) + " (tick " + std::to_string(tick) + ")");
        } else if (effectiveLayoutMatches(platform, source)) {
            // An input method switches its own layouts at once: from now on, a layout other than
            // this one is the user's choice, even one chosen before the next look.
            request.held = true;
        }
        verdictNow = tick >= 7;
    }
    if (verdictNow) {
        if (effectiveLayoutMatches(platform, source)) {
            appLog("[Keyvane] Switched keyboard layout to: " + id);
        } else {
            auto current = platform.currentLayout();
            auto layout = platform.currentLayout();
            appLog("[Keyvane] switchLayout: effective layout did NOT hold " + id + " (selected=" +
                   (current ? current->id() : "?") + " in use=" + (layout ? layout->id() : "?") + ")");
        }
        return;
    }
    double wait = tick == 0 ? reassertSchedule[0] : reassertSchedule[tick] - reassertSchedule[tick - 1];
    Registration next = platform.schedule(
        wait, [&platform, request, tick] { selectUntilEffective(platform, request, tick + 1); });
    next.detach(); // it needs nothing but the platform
}

} // namespace

bool replaceLastWord(PlatformServices& platform, std::size_t originalLength, const std::string& replacement,
                     const std::string& trailingBoundary, const std::optional<KeyboardLayout>& nextLayout) {
    const auto typedAhead = platform.beginHoldingKeys(nextLayout);
    if (!typedAhead) {
        platform.endHoldingKeys();
        appLog("[Keyvane] skip: the user kept editing past the word — no replacement");
        return false;
    }
    std::string ahead;
    for (const std::string& c : *typedAhead) {
        ahead += c;
    }
    const std::size_t count = originalLength + UnicodeText::length(trailingBoundary) + typedAhead->size();
    for (std::size_t i = 0; i < count; ++i) {
        postMarked(platform,
                   SyntheticKeyEvent{KeyCode::backspace, true, std::nullopt, false, false, std::nullopt});
    }
    platform.erasePosted();
    const std::string text = replacement + trailingBoundary + ahead;
    Registration retype = platform.schedule(retypeDelay, [&platform, text] {
        const std::optional<PlatformServices::LateKeys> late = platform.catchUpHeldKeys();
        if (!late) {
            appLog("[Keyvane] another program typed an editing key during the replacement");
        }
        const std::size_t erase = late ? late->erase : 0;
        for (std::size_t i = 0; i < erase; ++i) {
            postMarked(platform,
                       SyntheticKeyEvent{KeyCode::backspace, true, std::nullopt, false, false, std::nullopt});
        }
        typeString(platform, late ? text + late->text : text);
        platform.endHoldingKeys();
    });
    retype.detach(); // it needs nothing but the platform, and the hold must end whatever happens
    return true;
}

bool replaceTypedWord(PlatformServices& platform, const std::string& typed, const std::string& replacement,
                      const std::string& trailingBoundary, Language nextLanguage) {
    if (platform.replacesBeforeTheEndingKey()) {
        // The ending key waits in the host: nothing was typed after the word.
        return platform.replaceBeforeCursor(typed, replacement);
    }
    const auto layouts = platform.enabledLayouts();
    const auto next = layouts ? resolveLayout(nextLanguage, *layouts) : std::nullopt;
    return replaceLastWord(platform, UnicodeText::length(typed), replacement, trailingBoundary, next);
}

void typeString(TextInjection& typing, const std::string& text) {
    for (const std::string& c : UnicodeText::graphemes(text)) {
        postMarked(typing, SyntheticKeyEvent{KeyCode::a, true, c, false, false, std::nullopt});
    }
}

std::optional<KeyboardLayout> resolveLayout(Language language, const std::vector<KeyboardLayout>& layouts) {
    for (const KeyboardLayout& layout : layouts) {
        if (layout.language == language) {
            return layout;
        }
    }
    return std::nullopt;
}

void switchLayout(PlatformServices& platform, Language language) {
    auto sources = platform.enabledLayouts();
    if (!sources) {
        appLog("[Keyvane] switchLayout: could not list the keyboard layouts");
        return;
    }
    auto source = resolveLayout(language, *sources);
    if (!source) {
        appLog("[Keyvane] switchLayout: no enabled keyboard layout found for language '" +
               std::string(toString(language)) + "'");
        return;
    }
    state().lastID = source->id().empty() ? std::nullopt : std::optional<std::string>(source->id());
    state().lastAt = platform.now();
    appLog("[Keyvane] switchLayout: holding " +
           (source->id().empty() ? std::string("<unknown>") : source->id()) + " until it stays");
    selectUntilEffective(platform,
                         SwitchRequest{*source, platform.currentLayout(), ++state().generation, false}, 0);
}

std::optional<std::string> lastProgrammaticSwitchID() {
    return state().lastID;
}
double lastProgrammaticSwitchAt() {
    return state().lastAt;
}

} // namespace keyvane::ReplacementAdapter
