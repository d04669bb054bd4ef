// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/correction/InputObserver.h"
#include "Keyvane/correction/LearningWrites.h"
#include "Keyvane/correction/ModifierRelease.h"
#include "KeyvaneCore/LineLanguageEvidence.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/SecurePrompts.h"
#include "KeyvaneCore/SessionLanguageTracker.h"
#include "KeyvanePlatform/PendingSteps.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keyvane {

// The last automatic correction, the target of undo.
struct CorrectionRecord {
    std::string original;
    std::string corrected;
    std::string boundary;
    double timestamp = 0;
    std::string applicationID;
};

struct RecentApp {
    std::string desktopEntryID;
    std::string name;
    bool operator==(const RecentApp&) const = default;
};

// The coordinator of live correction: decides for every typed word whether the engine may look at
// it, applies the decision (retype, switch layout, remember for undo), undoes, pauses, follows the
// frontmost application and reloads the configuration.
class AppState {
public:
    static constexpr int sessionStreak = 3;
    static constexpr std::size_t maxRecentApps = 4;

    // Nothing (after the error lines in the log) when no rules file is found: the program cannot run.
    static std::unique_ptr<AppState> create(PlatformServices& platform,
                                            std::string ownDesktopEntryID = "keyvane");
    ~AppState();

    void startObserving();
    // Stops and discards the observer (correction switched off).
    void stopObserving();

    void pause(double seconds);
    void pauseIndefinitely();
    void resume();
    void undoLastCorrection();
    void reloadConfig();
    // Converts the selected text, to the engine's choice or to the given language.
    void convertSelection(std::optional<Language> target = std::nullopt);

    bool isEnabled() const { return isEnabled_; }
    bool isPaused() const { return isPaused_; }
    // Whether the desktop refused to let the user's keys be watched when observing started.
    bool keysCannotBeWatched() const { return keysCannotBeWatched_; }
    bool pauseInGames() const { return pauseInGames_; }
    bool isFrontmostGame() const { return isFrontmostGame_; }
    bool learningMode() const { return learningMode_; }
    void setEnabled(bool value) { setFlag(isEnabled_, value); }
    void setLearningMode(bool value) { setFlag(learningMode_, value); }
    // Whether an input-method host (the fcitx5 addon, the IBus engine) corrects the user's keys,
    // told whenever that changes (its marker is read once as observing starts): while one does, a
    // host that sees the same keys leaves them to it, so that no word is corrected twice.
    void setInputMethodHostCorrects(bool corrects) { inputMethodHostCorrects_ = corrects; }
    std::function<void()> onStateChanged;
    // An undo in learning mode made the word one that is never corrected again.
    std::function<void(const std::string& word)> onLearnedFromUndo;

    const std::optional<CorrectionRecord>& lastCorrection() const { return lastCorrection_; }
    const std::vector<RecentApp>& recentApps() const { return recentApps_; }
    const RulesEngine& rulesEngine() const { return *rulesEngine_; }
    std::optional<Language> sessionLanguage() const { return tracker_.sessionLanguage(); }

private:
    AppState(PlatformServices& platform, std::string ownDesktopEntryID, std::unique_ptr<RulesEngine> engine);
    void setFlag(bool& flag, bool value);
    void handleEmittedToken(const EmittedToken& token);
    // The language whose layout a correction of `token` switches to, and why.
    std::pair<Language, std::string> switchTarget(const std::string& token, const std::string& corrected,
                                                  const RulesDecision& decision) const;
    void observeFrontmost();
    void activated(const FrontmostApplication& app);
    void logActivation(const FrontmostApplication& app);
    // True while the keys typed are not the program's to read: a password field has the focus, a
    // password prompt is in front, or fields cannot be told and the user chose to correct nothing
    // then. Says so in the log when that changes.
    bool keysOffLimits();
    void recordRecent(const std::string& desktopEntryID, const std::string& name);
    // Learns that the word undone is never to be corrected, now or once the overrides are free.
    void addNeverCorrect(const std::string& token);

    PlatformServices& platform_;
    std::string ownDesktopEntryID_;
    bool isEnabled_ = true;
    bool isPaused_ = false;
    bool pauseInGames_ = true;
    bool isFrontmostGame_ = false;
    bool learningMode_ = true;
    bool skipWhenFieldsUnknown_ = false;
    SecurePrompts securePrompts_;
    bool frontIsSecurePrompt_ = false;
    // The application in front as the desktop last announced it: read on every finished word
    // without asking the desktop again.
    std::optional<FrontmostApplication> front_;
    bool inputMethodHostCorrects_ = false;
    bool keysCannotBeWatched_ = false;
    bool keysWereOffLimits_ = false;
    std::optional<FocusedField> lastField_; // the first answer is said too
    std::unique_ptr<InputObserver> inputObserver_;
    std::unique_ptr<RulesEngine> rulesEngine_;
    Registration pauseEnd_; // the end of a timed pause, while one is due
    std::optional<CorrectionRecord> lastCorrection_;
    // The word typed just before, left as it was, while nothing else happened since: a one-letter
    // word is corrected together with the word after it.
    struct PreviousWord {
        std::string token;
        std::string boundary;
        Language layout = Language::en;
        std::string desktopEntryID;
    };
    std::optional<PreviousWord> previousWord_;
    SessionLanguageTracker tracker_{sessionStreak};
    LineLanguageEvidence line_; // the words of the line being typed
    std::vector<RecentApp> recentApps_;
    LearningWrites learningWrites_{platform_};
    ModifierRelease shortcutKeysUp_{platform_, platform_}; // an undo waits there until its keys are up
    PendingSteps conversions_{platform_};                  // conversions waiting for the copied selection
    void revert(const CorrectionRecord& record);
    unsigned long long userKeys_ = 0; // keys the user typed, counted
    // The platform's focus and activation handlers, taken out first as this goes.
    std::vector<Registration> registrations_;
};

} // namespace keyvane
