// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/ui/LayoutChangeLog.h"
#include "Keyvane/ui/MenuModel.h"
#include "KeyvanePlatform/Registration.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

namespace keyvane {

class AppState;
class HotkeyManager;
class InputMethodLink;
class PlatformServices;
class UpdateChecker;

// The tray icon with the current layout's badge, and its menu: the state, Enabled, Learning Mode,
// Launch at Login, pausing and resuming, Undo and Convert with their shortcuts, Convert To each
// active language, excluding the recent applications, Settings and Quit. It follows the
// coordinator's state and the desktop's layout as they change, and refreshes the menu each time
// it opens.
class StatusBarController : public QObject {
    Q_OBJECT

public:
    StatusBarController(AppState& appState, PlatformServices& platform, HotkeyManager& hotkeys,
                        UpdateChecker& updates, QObject* parent = nullptr);
    ~StatusBarController() override;

    // What "Settings..." opens; without it the item is not shown.
    void setSettingsOpener(std::function<void()> open);
    // While Keyvane inside the input-method framework corrects the keys, the badge shows the
    // language it types with, and pausing and resuming are done there.
    void setInputMethodLink(InputMethodLink* link);
    // Builds the menu again, in the interface language now set.
    void setupMenu();
    // Brings the icon and every item up to date.
    void updateMenuState();

    QSystemTrayIcon& trayIcon() { return tray_; }
    // What the icon and the menu show now.
    const MenuState& shown() const { return state_; }

private:
    QAction* addItem(const std::function<void()>& action, bool checkable = false);
    void apply(QAction* action, const MenuItemState& item);
    void refreshIcon();
    // The host's language and pause in place of this copy's, while the host corrects.
    void takeHostStatus();
    void pauseOrResume(const InstanceCommand& command);

    AppState& appState_;
    PlatformServices& platform_;
    HotkeyManager& hotkeys_;
    UpdateChecker& updates_;
    InputMethodLink* inputMethod_ = nullptr;
    std::function<void()> openSettings_;
    QSystemTrayIcon tray_;
    std::unique_ptr<QMenu> menu_;
    MenuInputs inputs_; // as last gathered
    MenuState state_;
    LayoutChangeLog layoutLog_;
    QString shownIconKey_;

    QAction* warning_ = nullptr;
    QAction* warningSeparator_ = nullptr;
    QAction* status_ = nullptr;
    QAction* update_ = nullptr;
    QAction* launchAtLogin_ = nullptr;
    QAction* enabled_ = nullptr;
    QAction* learning_ = nullptr;
    QAction* debug_ = nullptr;
    QAction* pause15_ = nullptr;
    QAction* pauseUntilRestart_ = nullptr;
    QAction* resume_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* convertSelected_ = nullptr;
    QMenu* convertTo_ = nullptr;
    QAction* excludeAnchor_ = nullptr;
    std::vector<QAction*> excludeItems_;
    QAction* settings_ = nullptr;
    QAction* quit_ = nullptr;
    Registration layoutRegistration_; // taken out first as this goes
};

} // namespace keyvane
