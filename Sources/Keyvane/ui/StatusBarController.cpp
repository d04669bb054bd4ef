// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/StatusBarController.h"

#include "Keyvane/app/L10n.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/services/UpdateChecker.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/InputMethodLink.h"
#include "Keyvane/ui/MenuActions.h"
#include "Keyvane/ui/TrayIconPainter.h"
#include "Keyvane/usage/Usage.h"
#include "KeyvaneCore/AppPaths.h"

#include <QApplication>
#include <QCursor>
#include <QFont>

namespace keyvane {

namespace {

// Where the build's drawn badges are: beside the installed rules file, else in the build tree.
QString badgeDirectory() {
    static const QString directory = [] {
        if (const std::optional<std::string> installed = AppPaths::installedDataDir()) {
            return QString::fromStdString(*installed + "/tray");
        }
        return QStringLiteral(KEYVANE_BUILD_TRAY_BADGES);
    }();
    return directory;
}

// An item's title with its shortcut in the menu's shortcut column.
QString titleOf(const MenuItemState& item) {
    QString title = QString::fromStdString(item.title);
    title.replace('&', QStringLiteral("&&")); // an application's name is no mnemonic
    if (!item.shortcut.empty()) {
        title += '\t' + QString::fromStdString(item.shortcut);
    }
    return title;
}

} // namespace

StatusBarController::StatusBarController(AppState& appState, PlatformServices& platform,
                                         HotkeyManager& hotkeys, UpdateChecker& updates, QObject* parent)
    : QObject(parent)
    , appState_(appState)
    , platform_(platform)
    , hotkeys_(hotkeys)
    , updates_(updates) {
    appState_.onStateChanged = [this] { updateMenuState(); };
    hotkeys_.onHotkeysChanged = [this] { updateMenuState(); };
    // After every correction that switches the layout: only the badge changes (the menu is
    // brought up to date when it opens), so nothing is read from disk here.
    layoutRegistration_ = platform_.onLayoutChanged([this] {
        layoutLog_.changed(platform_);
        const std::optional<KeyboardLayout> layout = platform_.currentLayout();
        inputs_.layoutLanguage = layout ? layout->language : std::nullopt;
        takeHostStatus();
        state_ = MenuModel::build(inputs_);
        refreshIcon();
    });
    connect(&updates_, &UpdateChecker::availabilityChanged, this, &StatusBarController::updateMenuState);
    // A left click opens the menu too: most Linux trays have no other use for it.
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && menu_) {
            menu_->popup(QCursor::pos());
        }
    });
    layoutLog_.changed(platform_);
    setupMenu();
    tray_.show();
}

StatusBarController::~StatusBarController() {
    appState_.onStateChanged = nullptr;
    hotkeys_.onHotkeysChanged = nullptr;
}

void StatusBarController::setSettingsOpener(std::function<void()> open) {
    openSettings_ = std::move(open);
    updateMenuState();
}

QAction* StatusBarController::addItem(const std::function<void()>& action, bool checkable) {
    QAction* item = menu_->addAction(QString());
    item->setCheckable(checkable);
    connect(item, &QAction::triggered, this, [action] { action(); });
    return item;
}

void StatusBarController::setInputMethodLink(InputMethodLink* link) {
    inputMethod_ = link;
    if (link != nullptr) {
        connect(link, &InputMethodLink::statusChanged, this, &StatusBarController::updateMenuState);
    }
    updateMenuState();
}

void StatusBarController::takeHostStatus() {
    if (inputMethod_ != nullptr) {
        if (const std::optional<InputMethodHostStatus>& host = inputMethod_->status()) {
            inputs_.layoutLanguage = languageFromString(host->layoutLanguage);
            inputs_.paused = host->paused;
        }
    }
}

void StatusBarController::pauseOrResume(const InstanceCommand& command) {
    if (inputMethod_ != nullptr && inputMethod_->send(command)) {
        return; // the host, which corrects the keys, answered
    }
    command.applyTo(appState_);
}

void StatusBarController::setupMenu() {
    auto menu = std::make_unique<QMenu>();
    menu_.swap(menu);
    excludeItems_.clear();
    // Only while keys cannot be watched: it says so, and the onboarding window says what to do.
    warning_ = menu_->addAction(QString());
    warning_->setEnabled(false);
    QFont bold = warning_->font();
    bold.setBold(true);
    warning_->setFont(bold);
    warningSeparator_ = menu_->addSeparator();
    status_ = menu_->addAction(QString());
    status_->setEnabled(false);
    update_ = addItem([this] {
        if (const auto& update = updates_.availableUpdate()) {
            platform_.openURL(update->downloadUrl.toStdString());
        }
    });
    menu_->addSeparator();
    launchAtLogin_ = addItem(
        [this] {
            MenuActions::setLaunchAtLogin(launchAtLogin_->isChecked());
            updateMenuState();
        },
        true);
    enabled_ = addItem(
        [this] {
            MenuActions::setEnabled(appState_, enabled_->isChecked());
            updateMenuState();
        },
        true);
    learning_ = addItem([this] { appState_.setLearningMode(learning_->isChecked()); }, true);
    debug_ = addItem(
        [this] {
            MenuActions::setDebugLog(debug_->isChecked());
            updateMenuState();
        },
        true);
    menu_->addSeparator();
    pause15_ = addItem([this] { pauseOrResume({InstanceCommand::Kind::pause, 15 * 60}); });
    pauseUntilRestart_ = addItem([this] { pauseOrResume({InstanceCommand::Kind::pauseUntilRestart}); });
    resume_ = addItem([this] { pauseOrResume({InstanceCommand::Kind::resume}); });
    menu_->addSeparator();
    undo_ = addItem([this] { appState_.undoLastCorrection(); });
    convertSelected_ = addItem([this] { appState_.convertSelection(); });
    convertTo_ = menu_->addMenu(QString());
    excludeAnchor_ = menu_->addSeparator();
    menu_->addSeparator();
    settings_ = addItem([this] {
        if (openSettings_) {
            openSettings_();
        }
    });
    menu_->addSeparator();
    quit_ = addItem([] { QCoreApplication::quit(); });

    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusBarController::updateMenuState);
    tray_.setContextMenu(menu_.get());
    updateMenuState();
}

void StatusBarController::apply(QAction* action, const MenuItemState& item) {
    action->setText(titleOf(item));
    action->setVisible(item.visible);
    action->setEnabled(item.enabled);
    if (action->isCheckable()) {
        action->setChecked(item.checked);
    }
}

void StatusBarController::updateMenuState() {
    const std::optional<AppcastItem>& update = updates_.availableUpdate();
    inputs_ = MenuActions::gather(appState_, platform_, hotkeys_, Usage::version(),
                                  update ? std::optional<std::string>(update->displayVersion.toStdString())
                                         : std::nullopt);
    takeHostStatus();
    state_ = MenuModel::build(inputs_);
    apply(warning_, state_.warning);
    warningSeparator_->setVisible(state_.warning.visible);
    status_->setText(QString::fromStdString(state_.statusTitle));
    apply(update_, state_.update);
    apply(launchAtLogin_, state_.launchAtLogin);
    apply(enabled_, state_.enabled);
    apply(learning_, state_.learning);
    apply(debug_, state_.debug);
    apply(pause15_, state_.pause15);
    apply(pauseUntilRestart_, state_.pauseUntilRestart);
    apply(resume_, state_.resume);
    apply(undo_, state_.undo);
    apply(convertSelected_, state_.convertSelected);
    convertTo_->setTitle(titleOf(state_.convertTo));
    convertTo_->clear();
    for (const MenuItemState& language : state_.convertToLanguages) {
        QAction* item = convertTo_->addAction(titleOf(language));
        const std::string code = language.data;
        connect(item, &QAction::triggered, this,
                [this, code] { appState_.convertSelection(languageFromString(code)); });
    }
    for (QAction* item : excludeItems_) {
        menu_->removeAction(item);
        item->deleteLater();
    }
    excludeItems_.clear();
    QAction* before = menu_->actions().value(menu_->actions().indexOf(excludeAnchor_) + 1);
    const std::vector<RecentApp> recent = appState_.recentApps();
    for (std::size_t i = 0; i < state_.excludeApps.size(); ++i) {
        auto* item = new QAction(titleOf(state_.excludeApps[i]), menu_.get());
        item->setEnabled(state_.excludeApps[i].enabled);
        if (i < recent.size()) {
            const RecentApp app = recent[i];
            connect(item, &QAction::triggered, this, [this, app] {
                MenuActions::toggleExcludedApp(appState_, app);
                updateMenuState();
            });
        }
        menu_->insertAction(before, item);
        excludeItems_.push_back(item);
    }
    apply(settings_, state_.settings);
    settings_->setVisible(static_cast<bool>(openSettings_));
    apply(quit_, state_.quit);
    refreshIcon();
}

void StatusBarController::refreshIcon() {
    const QString badge = QString::fromStdString(state_.badge);
    const QString key = badge + (state_.dimmed ? QStringLiteral("/dim") : QString());
    if (key != shownIconKey_) {
        tray_.setIcon(TrayIconPainter::icon(badge, state_.dimmed, badgeDirectory()));
        shownIconKey_ = key;
    }
    tray_.setToolTip(QString::fromStdString(state_.tooltip));
}

} // namespace keyvane
