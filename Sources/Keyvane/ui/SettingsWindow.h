// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QTabWidget;

namespace keyvane {

class FeedbackClient;
class HotkeyManager;
class PlatformServices;

// What the settings window asks of the running program.
struct SettingsCallbacks {
    std::function<void()> reloadConfig;             // the engine takes up changed files
    std::function<void()> checkForUpdates;          // "Check Now"
    std::function<void()> updatePolicyChanged;      // the update-check frequency changed
    std::function<void()> interfaceLanguageChanged; // the menu follows
    // The newer version known, and where to download it.
    std::function<std::optional<std::pair<std::string, std::string>>()> availableUpdate;
    std::function<void(const std::string& version)> skipVersion;
    bool updatesConfigured = false;
    std::function<bool()> learningMode; // the coordinator's, which the menu also switches
    std::function<void(bool)> setLearningMode;
    // The window was closed: its owner may let it go (it holds tens of megabytes of widgets).
    std::function<void()> closed;
};

// The settings window: General (interface language, updates, reset), Hotkeys, Rules, Apps
// (excluded applications, pause in games), Languages (their order), Feedback, and Debug in
// developer mode. Every control writes its file at once and the program takes it up; the tabs
// read their files again whenever the window comes to the front.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(PlatformServices& platform, HotkeyManager& hotkeys, FeedbackClient& feedback,
                   SettingsCallbacks callbacks, QWidget* parent = nullptr);

    // Shows the window in front, on the tab it was on.
    void present();
    // Shows the Feedback tab with the record of the last crash ticked, for the user to send.
    void presentFeedbackWithCrashLog();
    // The tabs built again in the interface language now set.
    void rebuild();
    // The update line of the General tab follows the update checker.
    void updateAvailabilityChanged();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* generalTab();
    QWidget* hotkeysTab();
    QWidget* rulesTab();
    QWidget* appsTab();
    QWidget* languagesTab();
    QWidget* feedbackTab();
    QWidget* debugTab();

    PlatformServices& platform_;
    HotkeyManager& hotkeys_;
    FeedbackClient& feedback_;
    SettingsCallbacks callbacks_;
    QTabWidget* tabs_ = nullptr;
    // Each tab's re-reading of its files, and the General tab's update line.
    std::vector<std::function<void()>> refreshers_;
    std::function<void()> refreshUpdateLine_;
};

} // namespace keyvane
