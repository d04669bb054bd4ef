// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/Application.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/InstanceLock.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/app/LaunchAtLoginManager.h"
#include "Keyvane/app/SingleInstance.h"
#include "Keyvane/app/TerminationSignals.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/correction/CorrectionReadiness.h"
#include "Keyvane/correction/GnomeInputSources.h"
#include "Keyvane/correction/InputMethodPresence.h"
#include "Keyvane/services/CrashLogNotice.h"
#include "Keyvane/services/CrashReporter.h"
#include "Keyvane/services/FeedbackClient.h"
#include "Keyvane/services/LearningNotice.h"
#include "Keyvane/services/UpdateChecker.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/InputMethodLink.h"
#include "Keyvane/ui/OnboardingWindow.h"
#include "Keyvane/ui/SettingsWindow.h"
#include "Keyvane/ui/StatusBarController.h"
#include "Keyvane/usage/Usage.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/x11/X11Platform.h"

#include <QApplication>
#include <QLocalServer>
#include <QTimer>
#include <QtGlobal>
#include <iostream>
#include <malloc.h>
#include <string>
#include <vector>

namespace keyvane::Application {
int run(int argc, char** argv) {
    if (!X11Platform::displayAvailable()) {
        if (InputMethodPresence::active(AppPaths::inputMethodHostMarkerPath())) {
            std::cout << (CorrectionReadiness::gnomeDesktop()
                              ? "Keyvane corrects inside IBus here: its engine (package keyvane-ibus) is the "
                                "input source. Its settings window needs an X display (Xwayland); keyvane "
                                "--pause and --resume reach the engine without one.\n"
                              : "Keyvane corrects inside fcitx5 here: its addon (package keyvane-fcitx5) is "
                                "running. Its tray and settings window need an X display (Xwayland); keyvane "
                                "--pause and --resume reach the addon without one.\n");
            return 0;
        }
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
            std::cerr << CorrectionReadiness::inputMethodSetupSteps() << "\n";
            return 1;
        }
        std::cerr
            << "Keyvane needs an X11 session (is DISPLAY set? a Wayland session without X cannot be "
               "watched).\nDeveloper command line: keyvane -file <text> | -input \"<words>\"; self-test: "
               "keyvane --test\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("keyvane");
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per user and display: a second one would correct every word twice. The lock in the
    // user's own state directory decides; the socket only carries requests to the copy.
    const std::optional<QString> instanceName = SingleInstance::socketName();
    const InstanceLock::Attempt oneCopy = InstanceLock::take(qEnvironmentVariable("DISPLAY").toStdString());
    if (oneCopy.outcome == InstanceLock::Outcome::unavailable) {
        std::cerr << "Keyvane: no one-copy lock (" << oneCopy.error
                  << "); a copy already running is found through its socket only.\n";
    }
    if (oneCopy.outcome == InstanceLock::Outcome::heldByCopy ||
        (oneCopy.outcome == InstanceLock::Outcome::unavailable && instanceName &&
         SingleInstance::anotherCopyRuns(*instanceName))) {
        if (instanceName && SingleInstance::activateRunningCopy(*instanceName)) {
            std::cout << "Keyvane is already running on this display; its settings window is in front."
                      << std::endl;
        } else {
            std::cout << "Keyvane is already running on this display." << std::endl;
        }
        return 0;
    }
    // This is the one copy: from here on a crash leaves a record.
    CrashReporter::install(AppPaths::crashLogPath(),
                           CrashReporter::versionString(Usage::version(), Usage::build()));
    QLocalServer instance;
    instance.setSocketOptions(QLocalServer::UserAccessOption);
    if (instanceName) {
        QLocalServer::removeServer(*instanceName); // a socket left behind by a copy that crashed
        if (!instance.listen(*instanceName)) {
            std::cerr << "Keyvane: cannot take requests from later launches ("
                      << instance.errorString().toStdString()
                      << "); --pause and --resume will not reach this copy.\n";
        }
    }
    const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    DebugLog::switchAtStartup(preferences.debugLog, CoreLog::logPath());
    L10n::setLanguage(preferences.uiLanguage);
    LaunchAtLoginManager::followPreference(UserPreferences::defaultPath());
    appLog("Keyvane starting...");

    std::unique_ptr<PlatformServices> platform = X11Platform::connect();
    if (!platform) {
        // The X server lacks what Keyvane needs: the onboarding window says so and looks again
        // every second; Keyvane goes on once it can watch keys, and stops if the window is closed.
        std::cerr << "Keyvane needs an X11 session whose server offers XInput 2.2, XKB and XTEST "
                     "(is DISPLAY set? a Wayland session without X cannot be watched).\n";
        bool completed = false;
        OnboardingWindow onboarding(
            [&platform] {
                platform = X11Platform::connect();
                return platform ? KeyAccess::granted : KeyAccess::missingExtensions;
            },
            [&completed] { completed = true; }, CorrectionReadiness::waylandReach);
        onboarding.offerToAddInputSource(GnomeInputSources::addKeyvane);
        onboarding.offerSwitchKey([] { return !GnomeInputSources::hasLayoutSwitchKey(); },
                                  GnomeInputSources::giveSuperSpaceToKeyvane);
        onboarding.show();
        while (!completed && onboarding.isVisible()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (!completed || !platform) {
            return 1;
        }
    }
    std::unique_ptr<AppState> appState = AppState::create(*platform);
    // Loading parsed the whole rules file into a document that is gone now: give its pages back
    // rather than keep them for the life of the program.
    ::malloc_trim(0);
    if (!appState) {
        std::cerr << "Engine rules config not found (installed data, ./Resources or the build tree)\n";
        return 1;
    }
    appState->startObserving();
    std::function<void()> openSettings; // set once the settings window can be made
    SingleInstance::serveRequests(instance, *appState, [&openSettings] {
        if (openSettings) {
            openSettings();
        }
    });
    HotkeyManager hotkeys(*platform);
    hotkeys.loadSettings();
    hotkeys.registerCallbacks(
        [&] { appState->undoLastCorrection(); }, [&] { appState->convertSelection(); },
        [&](const std::string& language) { appState->convertSelection(languageFromString(language)); });
    UpdateChecker updates(UpdateChecker::fromBuild());
    QObject::connect(&updates, &UpdateChecker::availabilityChanged, [&updates] {
        if (const std::optional<AppcastItem>& update = updates.availableUpdate()) {
            std::cout << "Keyvane " << update->displayVersion.toStdString()
                      << " is available: " << update->downloadUrl.toStdString() << std::endl;
        }
    });
    // The tray icon and its menu, where the desktop has a tray; the settings window, made when it is
    // first opened.
    StatusBarController statusBar(*appState, *platform, hotkeys, updates);
    // Where fcitx5 runs Keyvane's addon, that addon corrects the keys: the tray shows its state.
    InputMethodLink inputMethod(AppPaths::inputMethodHostMarkerPath(), SingleInstance::askInputMethodHost);
    statusBar.setInputMethodLink(&inputMethod);
    QObject::connect(&inputMethod, &InputMethodLink::statusChanged,
                     [&] { appState->setInputMethodHostCorrects(inputMethod.status().has_value()); });
    appState->setInputMethodHostCorrects(inputMethod.status().has_value());
    FeedbackClient feedback(FeedbackClient::fromBuild());
    std::unique_ptr<SettingsWindow> settings;
    openSettings = [&] {
        if (!settings) {
            SettingsCallbacks callbacks;
            callbacks.reloadConfig = [&] {
                appState->reloadConfig();
                statusBar.updateMenuState();
            };
            callbacks.checkForUpdates = [&] { updates.checkNow(); };
            callbacks.updatePolicyChanged = [&] {
                updates.applyPolicy(
                    UserPreferences::load(UserPreferences::defaultPath()).updateCheckFrequency);
            };
            callbacks.interfaceLanguageChanged = [&] { statusBar.setupMenu(); };
            callbacks.availableUpdate = [&]() -> std::optional<std::pair<std::string, std::string>> {
                if (const std::optional<AppcastItem>& update = updates.availableUpdate()) {
                    return std::make_pair(update->displayVersion.toStdString(),
                                          update->downloadUrl.toStdString());
                }
                return std::nullopt;
            };
            callbacks.skipVersion = [&](const std::string& version) {
                if (const std::optional<AppcastItem>& update = updates.availableUpdate()) {
                    if (update->displayVersion.toStdString() == version) {
                        updates.skipVersion(update->version);
                    }
                }
            };
            callbacks.updatesConfigured = updates.isConfigured();
            callbacks.learningMode = [&] { return appState->learningMode(); };
            callbacks.setLearningMode = [&](bool on) { appState->setLearningMode(on); };
            // Closed, the window goes, and the memory its widgets took goes back to the system.
            callbacks.closed = [&] {
                QTimer::singleShot(0, [&] {
                    if (settings && !settings->isVisible()) {
                        settings.reset();
                        ::malloc_trim(0);
                    }
                });
            };
            settings = std::make_unique<SettingsWindow>(*platform, hotkeys, feedback, callbacks);
            QObject::connect(&updates, &UpdateChecker::availabilityChanged, settings.get(),
                             &SettingsWindow::updateAvailabilityChanged);
        }
        settings->present();
    };
    statusBar.setSettingsOpener(openSettings);
    updates.applyPolicy(preferences.updateCheckFrequency);

    // SIGINT, SIGTERM and the session's end stop the program cleanly from the event loop.
    TerminationSignals termination;
    if (!termination.install([] { QCoreApplication::quit(); })) {
        std::cerr << "Keyvane: cannot watch for termination signals; they end it without saving.\n";
    }
    const std::vector<std::string> problems =
        CorrectionReadiness::problems(*platform, appState->rulesEngine());
    if (problems.empty()) {
        std::cout << "Keyvane is running: words typed in the wrong layout are corrected. Ctrl+C stops it.\n";
    } else {
        std::cout << "Keyvane is running, but:\n";
        for (const std::string& problem : problems) {
            std::cout << "  - " << problem << "\n";
            appLog("[Keyvane] WARNING: " + problem);
        }
        std::cout << "Ctrl+C stops it.\n";
    }
    // The first word learned from an undo is told in the tray, with where to take it back.
    appState->onLearnedFromUndo = [&statusBar](const std::string& word) {
        if (LearningNotice::takeFirst(AppPaths::userDefaultsPath())) {
            statusBar.trayIcon().showMessage(
                QString::fromStdString(L10n::format("learning.notice.title", word)),
                QString::fromStdString(L10n::t("learning.notice.body")));
        }
    };
    // A crash since the last start is told once, in the tray, which offers to send the record with
    // feedback (nothing is sent unless the user does); the record stays in the crash log.
    if (CrashLogNotice::takeNewRecords(AppPaths::crashLogPath(), AppPaths::userDefaultsPath())) {
        std::cout << "Keyvane stopped unexpectedly last time; what it recorded is in "
                  << AppPaths::crashLogPath() << ".\n";
        QObject::connect(&statusBar.trayIcon(), &QSystemTrayIcon::messageClicked, [&] {
            openSettings();
            settings->presentFeedbackWithCrashLog();
        });
        statusBar.trayIcon().showMessage(QString::fromStdString(L10n::t("crash.notice.title")),
                                         QString::fromStdString(L10n::t("crash.notice.body")));
    }
    if (!updates.isConfigured()) {
        std::cout
            << "Note: this build never checks for updates (no update feed and signing key were set when it "
               "was built).\n";
    }
    if (FeedbackClient::fromBuild().endpoint.isEmpty()) {
        std::cout
            << "Note: this build cannot send feedback (no feedback service was set when it was built).\n";
    }
    if (!platform->tellsFocusedFields()) {
        std::cout
            << "Note: no accessibility bus is running (package at-spi2-core), so password fields cannot be "
               "told from other fields, and a word typed in one may be corrected. To correct nothing "
               "meanwhile, set \"skip_when_fields_unknown\": true in "
            << UserPreferences::defaultPath() << ".\n";
    }
    std::cout
        << "Pause: keyvane --pause [15m|90s|1h] or keyvane --pause-until-restart; resume: keyvane --resume"
        << std::endl;
    // The welcome of the first start, shown once, without taking the keyboard from what the user
    // is typing in.
    std::unique_ptr<OnboardingWindow> welcome;
    if (Onboarding::shouldShow(KeyAccess::granted, AppPaths::userDefaultsPath())) {
        welcome = std::make_unique<OnboardingWindow>([] { return KeyAccess::granted; }, [] {},
                                                     CorrectionReadiness::waylandReach);
        welcome->offerToAddInputSource(GnomeInputSources::addKeyvane);
        welcome->offerSwitchKey([] { return !GnomeInputSources::hasLayoutSwitchKey(); },
                                GnomeInputSources::giveSuperSpaceToKeyvane);
        welcome->setAttribute(Qt::WA_ShowWithoutActivating);
        welcome->show();
        Onboarding::rememberWelcomed(AppPaths::userDefaultsPath());
    }
    int status = QApplication::exec();
    appState->stopObserving();
    appLog("[Keyvane] Terminating — input observer stopped");
    return status;
}

} // namespace keyvane::Application
