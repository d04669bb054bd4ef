#include "Keyvane/correction/ReplacementAdapter.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <limits>
#include <map>

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

const std::map<std::string, std::vector<std::string>>& builtInLayoutIDs() {
    static const std::map<std::string, std::vector<std::string>> ids = {
        {"ru",
         {"xkb.keylayout.Russian", "xkb.keylayout.Russian (phonetic)", "xkb.keylayout.Russian (typewriter)"}},
        {"uk",
         {"xkb.keylayout.Ukrainian", "xkb.keylayout.Ukrainian (phonetic)",
          "xkb.keylayout.Ukrainian (typewriter)"}},
        {"en",
         {"xkb.keylayout.English (US)", "xkb.keylayout.English (UK)",
          "xkb.keylayout.English (intl., with AltGr dead keys)"}},
    };
    return ids;
}

void postMarked(PlatformServices& platform, SyntheticKeyEvent event) {
    event.userData = kSyntheticEventMarker;
    event.keyDown = true;
    platform.postKeyEvent(event);
    event.keyDown = false;
    platform.postKeyEvent(event);
}

std::optional<std::string> characterForR(PlatformServices& platform, const InputSource& source) {
    auto text = platform.translateKey(source, KeyCode::r, 0);
    if (!text || text->empty()) {
        return std::nullopt;
    }
    return UnicodeText::firstGrapheme(*text);
}

bool effectiveLayoutMatches(PlatformServices& platform, const InputSource& target) {
    auto current = platform.currentKeyboardLayoutSource();
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
    InputSource source;
    std::optional<InputSource> before;
    long long generation = 0;
    bool held = false;
};

void selectUntilEffective(PlatformServices& platform, SwitchRequest request, int tick) {
    if (request.generation != state().generation) {
        return; // a newer switch has taken over
    }
    const InputSource& source = request.source;
    const std::string id = source.id.empty() ? "<unknown>" : source.id;
    bool verdictNow = false;
    bool skipSelection = false;
    if (tick > 0 && effectiveLayoutMatches(platform, source)) {
        verdictNow = tick > 6;
        skipSelection = true;
        request.held = true;
    } else if (tick > 0) {
        // The layout changed after the selection held, or to one that is neither the old nor the
        // new: the user chose it, and the user's choice is never undone.
        auto current = platform.currentInputSource();
        if (request.held || (current && current != request.before)) {
            appLog("[Keyvane] switchInputSource: the user chose " +
                   (current ? current->id : std::string("?")) + " — no more re-assertion of " + id);
            return;
        }
    }
    if (!skipSelection) {
        int status = platform.selectInputSource(source);
        if (status != 0) {
            appLog("[Keyvane] switchInputSource: TISSelectInputSource('" + id + "') returned status " +
                   std::to_string(status) + " (tick " + std::to_string(tick) + ")");
        }
        verdictNow = tick >= 7;
    }
    if (verdictNow) {
        if (effectiveLayoutMatches(platform, source)) {
            appLog("[Keyvane] Switched input source to: " + id);
        } else {
            auto current = platform.currentInputSource();
            auto layout = platform.currentKeyboardLayoutSource();
            appLog("[Keyvane] switchInputSource: effective layout did NOT hold " + id + " (input_source=" +
                   (current ? current->id : "?") + " layout_source=" + (layout ? layout->id : "?") + ")");
        }
        return;
    }
    double wait = tick == 0 ? reassertSchedule[0] : reassertSchedule[tick] - reassertSchedule[tick - 1];
    platform.schedule(wait,
                      [&platform, request, tick] { selectUntilEffective(platform, request, tick + 1); });
}

bool usableKeyboardSource(const InputSource& source) {
    if (source.category && *source.category != kKeyboardInputSourceCategory) {
        return false;
    }
    return !(source.selectCapable && !*source.selectCapable) && source.languages.has_value();
}

} // namespace

bool replaceLastWord(PlatformServices& platform, std::size_t originalLength, const std::string& replacement,
                     const std::string& trailingBoundary) {
    const auto typedAhead = platform.beginHoldingKeys();
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
    const std::string text = replacement + trailingBoundary + ahead;
    platform.schedule(retypeDelay, [&platform, text] {
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
    return true;
}

void typeString(PlatformServices& platform, const std::string& text) {
    for (const std::string& c : UnicodeText::graphemes(text)) {
        postMarked(platform, SyntheticKeyEvent{KeyCode::a, true, c, false, false, std::nullopt});
    }
}

std::optional<InputSource> resolveSource(const std::string& language,
                                         const std::vector<InputSource>& sources) {
    for (const InputSource& source : sources) {
        if (usableKeyboardSource(source) && !source.languages->empty() &&
            UnicodeText::toLower(source.languages->front()) == language) {
            return source;
        }
    }
    for (const InputSource& source : sources) {
        if (!usableKeyboardSource(source)) {
            continue;
        }
        for (const std::string& entry : *source.languages) {
            if (UnicodeText::toLower(entry) == language) {
                return source;
            }
        }
    }
    auto row = builtInLayoutIDs().find(language);
    if (row != builtInLayoutIDs().end()) {
        for (const InputSource& source : sources) {
            if (std::find(row->second.begin(), row->second.end(), source.id) != row->second.end()) {
                return source;
            }
        }
    }
    return std::nullopt;
}

void switchInputSource(PlatformServices& platform, const std::string& language) {
    auto sources = platform.enabledInputSources();
    if (!sources) {
        appLog("[Keyvane] switchInputSource: could not enumerate input sources");
        return;
    }
    auto source = resolveSource(UnicodeText::toLower(language), *sources);
    if (!source) {
        appLog("[Keyvane] switchInputSource: no enabled keyboard layout found for language '" + language +
               "'");
        return;
    }
    state().lastID = source->id.empty() ? std::nullopt : std::optional<std::string>(source->id);
    state().lastAt = platform.now();
    selectUntilEffective(
        platform, SwitchRequest{*source, platform.currentInputSource(), ++state().generation, false}, 0);
}

std::optional<std::string> lastProgrammaticSwitchID() {
    return state().lastID;
}
double lastProgrammaticSwitchAt() {
    return state().lastAt;
}

} // namespace keyvane::ReplacementAdapter
