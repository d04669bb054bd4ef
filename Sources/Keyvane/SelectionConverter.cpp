#include "SelectionConverter.h"

#include "AppLog.h"
#include "ConfigStore.h"
#include "InstalledLanguageDetector.h"
#include "LearningWritePolicy.h"
#include "ReplacementAdapter.h"
#include "UnicodeText.h"

#include <functional>
#include <set>

namespace keyvane::SelectionConverter {
namespace {

constexpr std::uint16_t kInsertKey = 114;

using Converter = std::function<ManualConversionResult(const std::string&)>;

void postShortcut(PlatformServices& platform, std::uint16_t keyCode, bool command, bool shift) {
    SyntheticKeyEvent event{keyCode, true, std::nullopt, command, shift, kSyntheticEventMarker};
    platform.postKeyEvent(event);
    event.keyDown = false;
    platform.postKeyEvent(event);
}

bool addToConfig(const std::string& original, const std::string& converted, const std::string& targetLanguage) {
    nlohmann::json overrides =
        ConfigStore::loadManualOverrides(ConfigStore::engineJSON().value_or(nlohmann::json::object()));
    nlohmann::json pairs = overrides.contains("exact_pairs") && overrides["exact_pairs"].is_object()
                               ? overrides["exact_pairs"]
                               : nlohmann::json::object();
    if (pairs.contains(original)) {
        appLog("[Keyvane] Learning: pair '" + original + "' already exists");
        return false;
    }
    pairs[original] = converted;
    overrides["exact_pairs"] = pairs;
    nlohmann::json meta = overrides.contains("exact_pairs_meta") && overrides["exact_pairs_meta"].is_object()
                              ? overrides["exact_pairs_meta"]
                              : nlohmann::json::object();
    meta[original] = {{"src", scriptLanguage(original)}, {"dst", targetLanguage}};
    overrides["exact_pairs_meta"] = meta;
    if (!ConfigStore::saveManualOverrides(overrides)) {
        appLog("[Keyvane] Learning: write failed");
        return false;
    }
    appLog("[Keyvane] Learning: added pair '" + original + "' → '" + converted + "'");
    return true;
}

void reloadRules(RulesEngine& engine) {
    if (ConfigStore::reload(engine)) {
        appLog("[Keyvane] Learning: rules reloaded — new pair active");
    } else {
        appLog("[Keyvane] Learning: reload failed (cannot parse config)");
    }
}

// Pastes the result, learns, and after a moment puts back what the clipboards held before.
void finish(PlatformServices& platform, RulesEngine& engine, bool learningMode, bool terminal,
            const std::string& copied, const ManualConversionResult& result, const ClipboardContents& previousClipboard,
            const ClipboardContents& previousPrimary) {
    platform.setClipboardContents(ClipboardContents::ofText(result.text), ClipboardKind::clipboard);
    if (terminal) {
        platform.setClipboardContents(ClipboardContents::ofText(result.text), ClipboardKind::primary);
        postShortcut(platform, kInsertKey, false, true);
    } else {
        postShortcut(platform, KeyCode::v, true, false);
    }
    bool learned = false;
    for (const auto& pair : LearningWritePolicy::exactPairsForManualConversion(learningMode, copied, result.text)) {
        learned = addToConfig(pair.source, pair.target, result.targetLanguage) || learned;
    }
    if (learned) {
        reloadRules(engine);
    }
    const std::string target = result.targetLanguage;
    platform.schedule(restoreDelay, [&platform, terminal, previousClipboard, previousPrimary, target] {
        // The user's clipboard comes back whole, whatever it held (text, an image, or nothing).
        platform.setClipboardContents(previousClipboard, ClipboardKind::clipboard);
        if (terminal) {
            platform.setClipboardContents(previousPrimary, ClipboardKind::primary);
        }
        ReplacementAdapter::switchInputSource(platform, target);
    });
    appLog("[Keyvane] Selection converted: " + std::to_string(UnicodeText::length(copied)) + " chars");
}

void performConversion(PlatformServices& platform, RulesEngine& engine, bool learningMode, Converter convert) {
    const auto front = platform.frontmostApplication();
    const bool terminal = front && isTerminal(front->bundleID);
    const ClipboardContents previousClipboard = platform.clipboardContents(ClipboardKind::clipboard);
    const ClipboardContents previousPrimary = platform.clipboardContents(ClipboardKind::primary);

    if (terminal) {
        // The terminal's selection is already PRIMARY; Control+C would interrupt the running program.
        auto copied = previousPrimary.text();
        if (!copied || copied->empty()) {
            appLog("[Keyvane] No selection to convert");
            return;
        }
        finish(platform, engine, learningMode, true, *copied, convert(*copied), previousClipboard, previousPrimary);
        return;
    }
    postShortcut(platform, KeyCode::c, true, false);
    platform.schedule(copyDelay, [&platform, &engine, learningMode, convert, previousClipboard, previousPrimary] {
        auto copied = platform.clipboardContents(ClipboardKind::clipboard).text();
        auto previousText = previousClipboard.text();
        if (!copied || copied->empty() || (previousText && *copied == *previousText)) {
            appLog("[Keyvane] No selection to convert");
            return;
        }
        finish(platform, engine, learningMode, false, *copied, convert(*copied), previousClipboard, previousPrimary);
    });
}

} // namespace

void convertSelection(PlatformServices& platform, RulesEngine& engine, bool learningMode) {
    const std::optional<std::string> layout = InstalledLanguageDetector::currentKey(platform);
    performConversion(platform, engine, learningMode, [&engine, layout](const std::string& text) {
        return engine.convertSelectionSmart(text, layout);
    });
}

void convertSelection(PlatformServices& platform, RulesEngine& engine, bool learningMode, const std::string& target) {
    performConversion(platform, engine, learningMode,
                      [&engine, target](const std::string& text) { return engine.convertSelection(text, target); });
}

bool isTerminal(const std::string& bundleID) {
    static const std::set<std::string> terminals = {
        "xterm", "uxterm", "urxvt", "rxvt", "st", "st-256color", "kitty", "alacritty", "foot",
        "org.codeberg.dnkl.foot", "org.gnome.terminal", "gnome-terminal", "org.gnome.console", "kgx",
        "org.kde.konsole", "konsole", "xfce4-terminal", "terminator", "tilix", "com.gexperts.tilix",
        "lxterminal", "mate-terminal", "qterminal", "org.wezfurlong.wezterm", "wezterm", "terminology",
    };
    return terminals.contains(UnicodeText::toLower(bundleID));
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
