// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/AppState.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/correction/ConfigStore.h"
#include "Keyvane/correction/GameModeDetector.h"
#include "Keyvane/correction/InputMethodPresence.h"
#include "Keyvane/correction/InstalledLanguageDetector.h"
#include "Keyvane/correction/ReplacementAdapter.h"
#include "Keyvane/shortcuts/SelectionConverter.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/LearningWritePolicy.h"
#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/UserPreferences.h"

#include <algorithm>
#include <cstdio>

namespace keyvane {
namespace {

// A number with the given decimals, for the developer log.
std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

} // namespace

std::unique_ptr<AppState> AppState::create(PlatformServices& platform, std::string ownDesktopEntryID) {
    // Temporary files of a save that was killed midway are of no use to anyone.
    if (int removed = AtomicFile::removeStaleTemporaries(AppPaths::appSupportDir())) {
        appLog("[Keyvane] Removed " + std::to_string(removed) + " temporary file(s) of interrupted saves");
    }
    InstalledLanguageDetector::reconcileAndPersist(platform);
    auto config = ConfigStore::loadConfiguration();
    if (!config) {
        appLog("[Keyvane] ERROR: No rules config found!");
        return nullptr;
    }
    ConfigStore::useDesktopKeyMaps(*config, platform.keyMapsBetweenLayouts());
    return std::unique_ptr<AppState>(new AppState(platform, std::move(ownDesktopEntryID),
                                                  std::make_unique<RulesEngine>(std::move(*config))));
}

AppState::AppState(PlatformServices& platform, std::string ownDesktopEntryID,
                   std::unique_ptr<RulesEngine> engine)
    : platform_(platform)
    , ownDesktopEntryID_(std::move(ownDesktopEntryID))
    , rulesEngine_(std::move(engine)) {
    const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    pauseInGames_ = preferences.pauseInGames;
    skipWhenFieldsUnknown_ = preferences.skipWhenFieldsUnknown;
    std::string problem;
    securePrompts_ = SecurePrompts::load(&problem);
    if (!problem.empty()) {
        appLog("[Keyvane] Password prompts list: " + problem);
    }
    if (!platform_.tellsFocusedFields()) {
        appLog(std::string("[Keyvane] No accessibility bus: password fields cannot be told from others; ") +
               (skipWhenFieldsUnknown_ ? "nothing is corrected meanwhile"
                                       : "words typed in them may be corrected"));
    }
    observeFrontmost();
    keysOffLimits(); // says what is known of the focused field at start
    // A password field taking or leaving the focus is said in the log at once.
    registrations_.push_back(platform_.onFocusChanged([this] { keysOffLimits(); }));
}

AppState::~AppState() {
    stopObserving();
}

void AppState::setFlag(bool& flag, bool value) {
    if (flag != value) {
        flag = value;
        if (onStateChanged) {
            onStateChanged();
        }
    }
}

void AppState::startObserving() {
    if (inputObserver_) {
        return;
    }
    inputMethodHostCorrects_ = InputMethodPresence::active(AppPaths::inputMethodHostMarkerPath());
    // The observer is this coordinator's own and goes with it: its callbacks never come after.
    inputObserver_ = std::make_unique<InputObserver>(
        platform_, [this](const EmittedToken& token) { handleEmittedToken(token); });
    // Undo may only touch the text it typed itself: once the user types anything else, the
    // correction is no longer the last thing in the field.
    inputObserver_->setOnUserKey([this] {
        ++userKeys_;
        lastCorrection_.reset();
    });
    // A click, a cursor key, a shortcut or a focus change: the text before the cursor is no longer
    // the text the program saw, so nothing it remembers may be erased.
    inputObserver_->setOnContextLost([this] {
        lastCorrection_.reset();
        previousWord_.reset();
        line_.newLine();
    });
    inputObserver_->setOnLineEnd([this] { line_.newLine(); });
    inputObserver_->setKeysOffLimits([this] { return keysOffLimits(); });
    inputObserver_->start();
    keysCannotBeWatched_ = !inputObserver_->isListening();
}

void AppState::stopObserving() {
    if (inputObserver_) {
        inputObserver_->stop();
        inputObserver_.reset();
    }
}

void AppState::handleEmittedToken(const EmittedToken& emitted) {
    std::optional<PreviousWord> previous = std::move(previousWord_);
    previousWord_.reset();
    if (!isEnabled_ || isPaused_) {
        return;
    }
    if (platform_.keyboardGrabbedElsewhere()) {
        return; // another program holds the keyboard: nothing is typed into it
    }
    if (inputMethodHostCorrects_ && !platform_.replacesBeforeTheEndingKey()) {
        appLog("[Keyvane] skip: the input-method host corrects these keys");
        return;
    }
    const std::optional<FrontmostApplication>& front = front_;
    if (pauseInGames_ && front && !front->desktopEntryID.empty() &&
        GameModeDetector::isGameApp(front->desktopEntryID, front->desktopEntryPath)) {
        appLog("[Keyvane] skip: frontmost app is a game and pause-in-games is on — no correction");
        return;
    }
    const std::string desktopEntryID = front ? front->desktopEntryID : std::string();
    const std::optional<Language> layoutLanguage = InstalledLanguageDetector::currentKey(platform_);
    if (!layoutLanguage) {
        appLog("[Keyvane] skip: active keyboard layout is unsupported (not en/uk/ru) — no correction");
        return;
    }
    const std::string& token = emitted.token;
    line_.useLayout(*layoutLanguage);
    RulesDecision decision = rulesEngine_->evaluate(token, desktopEntryID, false, layoutLanguage,
                                                    tracker_.sessionLanguage(), line_.context());
    // The word is part of its line whatever happens to it (Return and Tab end the line).
    line_.recordWord(*rulesEngine_, token, decision);
    if (DebugLog::isEnabled()) {
        appLog("[Keyvane] len=" + std::to_string(UnicodeText::length(token)) + " | orig='" + token +
               "' → cand='" + decision.correctedToken.value_or("—") + "' | correct=" +
               (decision.shouldCorrect() ? "true" : "false") + " | conf=" + fixed(decision.confidence, 2) +
               " | reason=" + toString(decision.reason) + " | origScore=" + fixed(decision.originalScore, 0) +
               " | candScore=" + fixed(decision.candidateScore, 0));
    }
    if (decision.shouldCorrect()) {
        const std::string& corrected = *decision.correctedToken;
        const std::string boundary = emitted.boundary.text();
        std::optional<Language> streak = decision.targetLanguage
                                             ? decision.targetLanguage
                                             : rulesEngine_->uniqueAlphabetLanguage(corrected);
        const auto [language, basis] = switchTarget(token, corrected, decision);

        // Tab moves to the next field and Return may submit the line (a shell runs it, a chat sends
        // it): retyping after them would land elsewhere. The layout still follows, so that the next
        // word comes out right; Return in a field known to hold several lines is a line break. A
        // host that holds the ending key replaces the word before Tab or Return goes on.
        const bool tab = emitted.boundary.kind == BoundaryType::Kind::tab;
        const bool enter = emitted.boundary.kind == BoundaryType::Kind::enter;
        if (!platform_.replacesBeforeTheEndingKey() &&
            (tab || (enter && platform_.focusedTextIsMultiLine() != true))) {
            tracker_.recordWord(streak);
            appLog(std::string("[Keyvane] skip: word ended by ") + (tab ? "Tab" : "Return") +
                   " — left as typed, layout switch → " + toString(language) + " (basis=" + basis + ")");
            ReplacementAdapter::switchLayout(platform_, language);
            lastCorrection_.reset();
            return;
        }

        std::string original = token;
        std::string replacement = corrected;
        std::size_t eraseLength = UnicodeText::length(token);
        if (previous && previous->desktopEntryID == desktopEntryID && previous->layout == *layoutLanguage) {
            if (auto letter =
                    rulesEngine_->convertOneLetterWord(previous->token, *layoutLanguage, language)) {
                original = previous->token + previous->boundary + token;
                replacement = *letter + previous->boundary + corrected;
                eraseLength += UnicodeText::length(previous->token) + UnicodeText::length(previous->boundary);
            }
        }
        if (!ReplacementAdapter::replaceTypedWord(platform_, original, replacement, boundary, language)) {
            return;
        }
        if (inputObserver_) {
            inputObserver_->replaceTypedTail(eraseLength + UnicodeText::length(boundary),
                                             replacement + boundary);
        }
        tracker_.recordWord(streak);
        appLog("[Keyvane] layout switch → " + std::string(toString(language)) + " (basis=" + basis + ")");
        ReplacementAdapter::switchLayout(platform_, language);
        lastCorrection_ = CorrectionRecord{original, replacement, boundary, platform_.now(), desktopEntryID};
        return;
    }
    if (decision.reason == DecisionReason::excludedApp) {
        appLog("[Keyvane] abort: app '" + desktopEntryID +
               "' is in the exclusion list — no replacement, no input-source switch");
        return;
    }
    const auto chars = UnicodeText::graphemes(token);
    auto letters = std::count_if(chars.begin(), chars.end(),
                                 [](const std::string& c) { return UnicodeText::isLetter(c); });
    if (letters > 2) {
        if (auto language = rulesEngine_->uniqueAlphabetLanguage(token)) {
            tracker_.recordWord(language);
        }
    }
    if (chars.size() == 1 && letters == 1 && emitted.boundary.kind == BoundaryType::Kind::space) {
        previousWord_ = PreviousWord{token, emitted.boundary.text(), *layoutLanguage, desktopEntryID};
    }
}

std::pair<Language, std::string> AppState::switchTarget(const std::string& token,
                                                        const std::string& corrected,
                                                        const RulesDecision& decision) const {
    if (auto learned = rulesEngine_->exactPairTargetLanguage(token)) {
        return {*learned, "exact_pair_meta"};
    }
    if (decision.targetLanguage) {
        return {*decision.targetLanguage, "arena_target"};
    }
    return {rulesEngine_->detectLanguage(corrected).value_or(Language::en), "alphabet_detect"};
}

void AppState::undoLastCorrection() {
    // The correction must still be the last thing typed, in the application where it was made;
    // otherwise undo would erase text that is not the correction.
    const auto front = platform_.frontmostApplication();
    const std::string frontID = front ? front->desktopEntryID : std::string();
    if (!lastCorrection_ || frontID != lastCorrection_->applicationID) {
        appLog("[Keyvane] Undo requested but no correction to revert");
        lastCorrection_.reset();
        return;
    }
    const CorrectionRecord record = *lastCorrection_;
    lastCorrection_.reset();
    // Decided now, done once the shortcut's keys are up; a key typed meanwhile puts other text
    // last, and the undo is dropped.
    const unsigned long long typedBefore = userKeys_;
    shortcutKeysUp_.then([this, record, typedBefore] {
        if (userKeys_ != typedBefore) {
            appLog("[Keyvane] Undo dropped: a key was typed while the shortcut was held");
            return;
        }
        revert(record);
    });
}

void AppState::revert(const CorrectionRecord& record) {
    if (platform_.keyboardGrabbedElsewhere()) {
        appLog("[Keyvane] Undo requested but another program holds the keyboard");
        return;
    }
    if (keysOffLimits()) {
        appLog("[Keyvane] Undo requested in a password field: nothing done");
        return;
    }
    // The correction and its boundary are what precedes the cursor on every host.
    const bool replaced =
        platform_.replacesBeforeTheEndingKey()
            ? platform_.replaceBeforeCursor(record.corrected + record.boundary,
                                            record.original + record.boundary)
            : ReplacementAdapter::replaceLastWord(platform_, UnicodeText::length(record.corrected),
                                                  record.original, record.boundary);
    if (!replaced) {
        return;
    }
    if (inputObserver_) {
        inputObserver_->replaceTypedTail(UnicodeText::length(record.corrected) +
                                             UnicodeText::length(record.boundary),
                                         record.original + record.boundary);
    }
    ReplacementAdapter::switchLayout(platform_,
                                     rulesEngine_->detectLanguage(record.original).value_or(Language::en));
    // A one-letter word corrected together with the word after it: the word is what is learned.
    const std::size_t space = record.original.rfind(' ');
    const std::string word = space == std::string::npos ? record.original : record.original.substr(space + 1);
    if (auto entry = LearningWritePolicy::neverCorrectEntryForUndo(learningMode_, word)) {
        addNeverCorrect(*entry);
    }
    appLog("[Keyvane] Undo: reverted correction in " + record.applicationID);
    lastCorrection_.reset();
}

void AppState::addNeverCorrect(const std::string& token) {
    const std::string normalized = UnicodeText::trimWhitespace(UnicodeText::toLower(token));
    if (normalized.empty()) {
        return;
    }
    const std::string language = toString(rulesEngine_->detectLanguage(normalized).value_or(Language::en));
    learningWrites_.submit(
        [normalized, language] { return ManualOverridesFile::addNeverCorrect(normalized, language); },
        [this, normalized](ManualOverridesFile::Change change) {
            if (change == ManualOverridesFile::Change::added) {
                reloadConfig();
                appLog("[Keyvane] Undo: token added to never-correct (learning mode)");
                if (onLearnedFromUndo) {
                    onLearnedFromUndo(normalized);
                }
            } else {
                appLog("[Keyvane] Undo: no never-correct entry written (already there, or the "
                       "file could not be written)");
            }
        });
}

void AppState::convertSelection(std::optional<Language> target) {
    if (keysOffLimits()) {
        // Copying the selection would put a password on the clipboard.
        appLog("[Keyvane] Selection conversion requested in a password field: nothing done");
        return;
    }
    const std::string typed = inputObserver_ ? inputObserver_->typedBeforeCursor() : std::string();
    if (target) {
        SelectionConverter::convertSelection(platform_, *rulesEngine_, conversions_, learningMode_, *target,
                                             typed, &learningWrites_);
    } else {
        SelectionConverter::convertSelection(platform_, *rulesEngine_, conversions_, learningMode_, typed,
                                             &learningWrites_);
    }
    if (inputObserver_) {
        inputObserver_->forget(); // the text around the cursor changed out of the observer's sight
    }
}

void AppState::reloadConfig() {
    ConfigStore::reload(*rulesEngine_);
    const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    setFlag(pauseInGames_, preferences.pauseInGames);
    skipWhenFieldsUnknown_ = preferences.skipWhenFieldsUnknown;
    securePrompts_ = SecurePrompts::load();
}

bool AppState::keysOffLimits() {
    const FocusedField field = platform_.focusedField();
    if (field != lastField_) {
        lastField_ = field;
        appLog(std::string("[Keyvane] Focused field: ") + toString(field));
    }
    // A field whose kind is still being asked, or a program that has not told, counts as a
    // password field, but is not said to be one.
    if (field == FocusedField::asking || field == FocusedField::untold) {
        return true;
    }
    const bool offLimits = frontIsSecurePrompt_ || field == FocusedField::password ||
                           (field == FocusedField::unknown && skipWhenFieldsUnknown_);
    if (offLimits != keysWereOffLimits_) {
        keysWereOffLimits_ = offLimits;
        appLog(offLimits ? std::string("[Keyvane] Password ") + (frontIsSecurePrompt_ ? "prompt" : "field") +
                               " in front: its keys are neither read nor corrected"
                         : std::string("[Keyvane] No password field in front: correction resumes"));
    }
    return offLimits;
}

void AppState::pause(double seconds) {
    setFlag(isPaused_, true);
    if (inputObserver_) {
        inputObserver_->stop();
    }
    // The end of an older pause, if still due, goes with its handle: it never ends this one.
    pauseEnd_ = platform_.schedule(seconds, [this] { resume(); });
}

void AppState::pauseIndefinitely() {
    setFlag(isPaused_, true);
    if (inputObserver_) {
        inputObserver_->stop();
    }
    pauseEnd_.reset(); // a pending timed pause no longer ends this one
}

void AppState::resume() {
    const bool wasPaused = isPaused_;
    setFlag(isPaused_, false);
    pauseEnd_.reset();
    if (isEnabled_ && inputObserver_) {
        inputObserver_->start();
    }
    if (wasPaused) {
        appLog("[Keyvane] The pause is over: corrections resume"); // keys are read again from here
    }
}

void AppState::observeFrontmost() {
    front_ = platform_.frontmostApplication();
    const auto& front = front_;
    frontIsSecurePrompt_ = front && securePrompts_.matches(front->desktopEntryID, front->wmClass);
    if (front && !front->desktopEntryID.empty() && front->desktopEntryID != ownDesktopEntryID_) {
        recordRecent(front->desktopEntryID, front->name.empty() ? front->desktopEntryID : front->name);
        logActivation(*front);
    }
    registrations_.push_back(
        platform_.onApplicationActivated([this](const FrontmostApplication& app) { activated(app); }));
}

void AppState::activated(const FrontmostApplication& app) {
    front_ = app;
    frontIsSecurePrompt_ = securePrompts_.matches(app.desktopEntryID, app.wmClass);
    keysOffLimits(); // says so when a password prompt came to the front
    if (app.desktopEntryID.empty() || app.desktopEntryID == ownDesktopEntryID_) {
        return;
    }
    recordRecent(app.desktopEntryID, app.name.empty() ? app.desktopEntryID : app.name);
    logActivation(app);
    tracker_.reset();
    line_.newLine();
    lastCorrection_.reset(); // the correction belongs to the application that was left
}

void AppState::logActivation(const FrontmostApplication& app) {
    const bool game = GameModeDetector::isGameApp(app.desktopEntryID, app.desktopEntryPath);
    setFlag(isFrontmostGame_, game);
    const std::string name = app.name.empty() ? app.desktopEntryID : app.name;
    if (game) {
        appLog("[Keyvane] app activated: " + name + " [" + app.desktopEntryID +
               "] — GAME detected; correction " +
               (pauseInGames_ ? "SUPPRESSED (pause-in-games on)" : "active (pause-in-games OFF)"));
    } else {
        appLog("[Keyvane] app activated: " + name + " [" + app.desktopEntryID + "] — not a game");
    }
}

void AppState::recordRecent(const std::string& desktopEntryID, const std::string& name) {
    recentApps_.erase(std::remove_if(recentApps_.begin(), recentApps_.end(),
                                     [&](const RecentApp& r) { return r.desktopEntryID == desktopEntryID; }),
                      recentApps_.end());
    recentApps_.insert(recentApps_.begin(), RecentApp{desktopEntryID, name});
    if (recentApps_.size() > maxRecentApps) {
        recentApps_.resize(maxRecentApps);
    }
}

} // namespace keyvane
