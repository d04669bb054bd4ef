// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/shortcuts/SelectionConverter.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/correction/ConfigStore.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "Keyvane/correction/LearningWrites.h"
#include "Keyvane/correction/ReplacementAdapter.h"
#include "KeyvaneCore/LearningWritePolicy.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/UnicodeText.h"

#include <functional>
#include <set>

namespace keyvane::SelectionConverter {
namespace {

using Converter = std::function<ManualConversionResult(const std::string&)>;

void postShortcut(PlatformServices& platform, std::uint16_t keyCode, bool control, bool shift) {
    SyntheticKeyEvent event{keyCode, true, std::nullopt, control, shift, syntheticEventMarker};
    platform.postKeyEvent(event);
    event.keyDown = false;
    platform.postKeyEvent(event);
}

void reloadRules(RulesEngine& engine) {
    if (ConfigStore::reload(engine)) {
        appLog("[Keyvane] Learning: rules reloaded — new pair active");
    } else {
        appLog("[Keyvane] Learning: reload failed (cannot parse config)");
    }
}

// Whether the user's conversions teach pairs, and where the writes wait while the overrides are
// busy (nowhere: a busy file loses the pair).
struct Learning {
    bool on = false;
    LearningWrites* writes = nullptr;
};

void learn(RulesEngine& engine, LearningWrites* writes, const std::string& original,
           const std::string& converted, Language targetLanguage) {
    auto write = [original, converted, targetLanguage] {
        return ManualOverridesFile::addExactPair(original, converted, scriptLanguage(original),
                                                 toString(targetLanguage));
    };
    auto done = [&engine, original, converted](ManualOverridesFile::Change change) {
        switch (change) {
        case ManualOverridesFile::Change::alreadyThere:
            appLog("[Keyvane] Learning: pair '" + original + "' already exists");
            break;
        case ManualOverridesFile::Change::added:
            appLog("[Keyvane] Learning: added pair '" + original + "' → '" + converted + "'");
            reloadRules(engine);
            break;
        case ManualOverridesFile::Change::notSaved:
        case ManualOverridesFile::Change::busy: appLog("[Keyvane] Learning: write failed"); break;
        }
    };
    if (writes != nullptr) {
        writes->submit(write, done);
    } else {
        done(write());
    }
}

void learnPairs(RulesEngine& engine, Learning learning, const std::string& copied,
                const ManualConversionResult& result) {
    // Only what the keys of the copied text type on another layout may be learned.
    auto isLayoutReading = [&engine](const std::string& source, const std::string& target) {
        for (const auto& [from, fromLanguage] : engine.config().languages) {
            for (const auto& [to, toLanguage] : engine.config().languages) {
                if (from != to && UnicodeText::toLower(engine.mapToken(source, {from, to})) == target) {
                    return true;
                }
            }
        }
        return false;
    };
    for (const auto& pair : LearningWritePolicy::exactPairsForManualConversion(
             learning.on, copied, result.text, isLayoutReading)) {
        learn(engine, learning.writes, pair.source, pair.target, result.targetLanguage);
    }
}

// A terminal pastes at its cursor, never over the selection: the selection is replaced only when
// it is the end of what was just typed on the line, where Backspace erases it; otherwise the
// conversion waits on the clipboard.
void convertInTerminal(PlatformServices& platform, RulesEngine& engine, Learning learning,
                       const std::string& copied, const ManualConversionResult& result,
                       const std::string& typedBeforeCursor) {
    const bool atCursor =
        typedBeforeCursor.size() >= copied.size() &&
        typedBeforeCursor.compare(typedBeforeCursor.size() - copied.size(), copied.size(), copied) == 0;
    if (atCursor &&
        ReplacementAdapter::replaceLastWord(platform, UnicodeText::length(copied), result.text, "")) {
        appLog("[Keyvane] Selection converted: " + std::to_string(UnicodeText::length(copied)) + " chars");
    } else {
        platform.setClipboardContents(ClipboardContents::ofText(result.text), ClipboardKind::clipboard);
        appLog(convertedToClipboard);
    }
    learnPairs(engine, learning, copied, result);
    ReplacementAdapter::switchLayout(platform, result.targetLanguage);
}

// Pastes the result, learns, and after a moment puts back what the clipboards held before.
void finish(PlatformServices& platform, RulesEngine& engine, Learning learning, const std::string& copied,
            const ManualConversionResult& result, const ClipboardContents& previousClipboard) {
    platform.setClipboardContents(ClipboardContents::ofText(result.text), ClipboardKind::clipboard);
    postShortcut(platform, KeyCode::v, true, false);
    learnPairs(engine, learning, copied, result);
    const Language target = result.targetLanguage;
    Registration restore = platform.schedule(restoreDelay, [&platform, previousClipboard, target] {
        // The user's clipboard comes back whole, whatever it held (text, an image, or nothing).
        platform.setClipboardContents(previousClipboard, ClipboardKind::clipboard);
        ReplacementAdapter::switchLayout(platform, target);
    });
    restore.detach(); // it needs nothing but the platform
    appLog("[Keyvane] Selection converted: " + std::to_string(UnicodeText::length(copied)) + " chars");
}

void performConversion(PlatformServices& platform, RulesEngine& engine, PendingSteps& steps,
                       Learning learning, Converter convert, const std::string& typedBeforeCursor) {
    // A host that is told the selection replaces it in place, without the clipboard.
    if (const std::optional<std::string> selected = platform.selectedText()) {
        if (selected->empty()) {
            appLog("[Keyvane] No selection to convert");
            return;
        }
        const ManualConversionResult result = convert(*selected);
        if (!platform.replaceSelection(result.text)) {
            appLog("[Keyvane] The selection cannot be replaced here");
            return;
        }
        learnPairs(engine, learning, *selected, result);
        ReplacementAdapter::switchLayout(platform, result.targetLanguage);
        appLog("[Keyvane] Selection converted: " + std::to_string(UnicodeText::length(*selected)) + " chars");
        return;
    }
    const auto front = platform.frontmostApplication();
    const ClipboardContents previousClipboard = platform.clipboardContents(ClipboardKind::clipboard);

    if (front && isTerminal(front->desktopEntryID)) {
        // The terminal's selection is already PRIMARY; Control+C would interrupt the running program.
        auto copied = platform.clipboardContents(ClipboardKind::primary).text();
        if (!copied || copied->empty()) {
            appLog("[Keyvane] No selection to convert");
            return;
        }
        convertInTerminal(platform, engine, learning, *copied, convert(*copied), typedBeforeCursor);
        return;
    }
    postShortcut(platform, KeyCode::c, true, false);
    steps.after(copyDelay, [&platform, &engine, learning, convert, previousClipboard] {
        auto copied = platform.clipboardContents(ClipboardKind::clipboard).text();
        auto previousText = previousClipboard.text();
        if (!copied || copied->empty() || (previousText && *copied == *previousText)) {
            appLog("[Keyvane] No selection to convert");
            return;
        }
        finish(platform, engine, learning, *copied, convert(*copied), previousClipboard);
    });
}

} // namespace

void convertSelection(PlatformServices& platform, RulesEngine& engine, PendingSteps& steps, bool learningMode,
                      const std::string& typedBeforeCursor, LearningWrites* writes) {
    const std::optional<Language> layout = InstalledLanguageDetector::currentKey(platform);
    performConversion(
        platform, engine, steps, Learning{learningMode, writes},
        [&engine, layout](const std::string& text) { return engine.convertSelectionSmart(text, layout); },
        typedBeforeCursor);
}

void convertSelection(PlatformServices& platform, RulesEngine& engine, PendingSteps& steps, bool learningMode,
                      Language target, const std::string& typedBeforeCursor, LearningWrites* writes) {
    performConversion(
        platform, engine, steps, Learning{learningMode, writes},
        [&engine, target](const std::string& text) { return engine.convertSelection(text, target); },
        typedBeforeCursor);
}

bool isTerminal(const std::string& desktopEntryID) {
    static const std::set<std::string> terminals = {
        "xterm",
        "uxterm",
        "urxvt",
        "rxvt",
        "st",
        "st-256color",
        "kitty",
        "alacritty",
        "foot",
        "org.codeberg.dnkl.foot",
        "org.gnome.terminal",
        "gnome-terminal",
        "org.gnome.console",
        "kgx",
        "org.kde.konsole",
        "konsole",
        "xfce4-terminal",
        "terminator",
        "tilix",
        "com.gexperts.tilix",
        "lxterminal",
        "mate-terminal",
        "qterminal",
        "org.wezfurlong.wezterm",
        "wezterm",
        "terminology",
    };
    return terminals.contains(UnicodeText::toLower(desktopEntryID));
}

std::string scriptLanguage(const std::string& text) {
    for (const std::string& c : UnicodeText::graphemes(text)) {
        int32_t scalar = UnicodeText::firstCodePoint(c);
        if (scalar >= 0x0400 && scalar <= 0x04FF) {
            return "ru";
        }
    }
    return "en";
}

} // namespace keyvane::SelectionConverter
