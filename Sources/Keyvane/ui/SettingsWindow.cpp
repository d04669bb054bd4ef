// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/SettingsWindow.h"

#include "Keyvane/app/L10n.h"
#include "Keyvane/services/FeedbackClient.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/HotkeyActions.h"
#include "Keyvane/ui/MenuActions.h"
#include "Keyvane/ui/MenuModel.h"
#include "Keyvane/ui/RulesActions.h"
#include "Keyvane/ui/SettingsActions.h"
#include "Keyvane/ui/ShortcutRecorder.h"
#include "Keyvane/usage/Usage.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/CoreLog.h"
#include "KeyvanePlatform/DesktopEntries.h"
#include "KeyvanePlatform/PlatformServices.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

namespace keyvane {

namespace {

QString l10n(const char* key) {
    return QString::fromStdString(L10n::t(key));
}

QString filled(const char* key, const QString& value) {
    return QString::fromStdString(L10n::format(key, value.toStdString()));
}

QLabel* note(const QString& text) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
    return label;
}

QGroupBox* section(const char* titleKey, QLayout* content) {
    auto* box = new QGroupBox(l10n(titleKey));
    box->setLayout(content);
    return box;
}

QTableWidget* table(const QStringList& headers) {
    auto* view = new QTableWidget(0, static_cast<int>(headers.size()));
    view->setHorizontalHeaderLabels(headers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

QTableWidgetItem* cell(const std::string& text) {
    return new QTableWidgetItem(QString::fromStdString(text));
}

} // namespace

SettingsWindow::SettingsWindow(PlatformServices& platform, HotkeyManager& hotkeys, FeedbackClient& feedback,
                               SettingsCallbacks callbacks, QWidget* parent)
    : QWidget(parent)
    , platform_(platform)
    , hotkeys_(hotkeys)
    , feedback_(feedback)
    , callbacks_(std::move(callbacks)) {
    setObjectName(QStringLiteral("KeyvaneSettings"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);
    resize(620, 560);
    rebuild();
}

void SettingsWindow::present() {
    for (const auto& refresh : refreshers_) {
        refresh();
    }
    show();
    raise();
    activateWindow();
}

void SettingsWindow::presentFeedbackWithCrashLog() {
    present();
    if (auto* feedbackPage = findChild<QWidget*>(QStringLiteral("feedbackTab"))) {
        tabs_->setCurrentWidget(feedbackPage);
    }
    if (auto* crashLog = findChild<QCheckBox*>(QStringLiteral("includeCrashLog"));
        crashLog && crashLog->isVisible()) {
        crashLog->setChecked(true);
    }
}

void SettingsWindow::rebuild() {
    const int current = tabs_->currentIndex();
    setWindowTitle(l10n("settings.title"));
    refreshers_.clear();
    refreshUpdateLine_ = nullptr;
    while (tabs_->count() > 0) {
        QWidget* page = tabs_->widget(0);
        tabs_->removeTab(0);
        page->deleteLater();
    }
    tabs_->addTab(generalTab(), l10n("settings.tab.general"));
    tabs_->addTab(hotkeysTab(), l10n("settings.tab.hotkeys"));
    tabs_->addTab(rulesTab(), l10n("settings.tab.rules"));
    tabs_->addTab(appsTab(), l10n("settings.tab.apps"));
    tabs_->addTab(languagesTab(), l10n("settings.tab.languages"));
    tabs_->addTab(feedbackTab(), l10n("settings.tab.feedback"));
    if (DevTools::isEnabled()) {
        tabs_->addTab(debugTab(), l10n("settings.tab.debug"));
    }
    tabs_->setCurrentIndex(std::max(0, std::min(current, tabs_->count() - 1)));
    resize(size().expandedTo(sizeHint())); // room for the tallest tab
    // The new tabs show what is set now (the window may stay active: no activation refreshes them).
    for (const auto& refresh : refreshers_) {
        refresh();
    }
}

void SettingsWindow::updateAvailabilityChanged() {
    if (refreshUpdateLine_) {
        refreshUpdateLine_();
    }
}

void SettingsWindow::changeEvent(QEvent* event) {
    // Changes made meanwhile from the menu (exclusions, pauses) show when the window comes back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        for (const auto& refresh : refreshers_) {
            refresh();
        }
    }
    QWidget::changeEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted() && callbacks_.closed) {
        callbacks_.closed();
    }
}

QWidget* SettingsWindow::generalTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    auto* languageBox = new QVBoxLayout;
    auto* language = new QComboBox;
    language->setObjectName(QStringLiteral("interfaceLanguage"));
    for (const auto& [code, name] : L10n::uiLanguages()) {
        language->addItem(QString::fromStdString(name), QString::fromStdString(code));
    }
    languageBox->addWidget(language);
    languageBox->addWidget(note(l10n("general.language.desc")));
    layout->addWidget(section("general.language.header", languageBox));
    connect(language, &QComboBox::activated, this, [this, language](int index) {
        if (SettingsActions::setInterfaceLanguage(language->itemData(index).toString().toStdString())) {
            if (callbacks_.interfaceLanguageChanged) {
                callbacks_.interfaceLanguageChanged();
            }
            // Built again after this signal has returned: the combo box belongs to the old tabs.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    rebuild();
                    tabs_->setCurrentIndex(0);
                },
                Qt::QueuedConnection);
        }
    });

    auto* updatesBox = new QVBoxLayout;
    auto* automatic = new QCheckBox(l10n("general.updates.auto"));
    auto* frequency = new QComboBox;
    for (UpdateCheckFrequency value : allUpdateCheckFrequencies) {
        static const char* const keys[] = {"freq.1h", "freq.1d", "freq.startup", "freq.never"};
        frequency->addItem(l10n(keys[static_cast<int>(value)]), static_cast<int>(value));
    }
    updatesBox->addWidget(automatic);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(l10n("general.updates.freq_label")));
    row->addWidget(frequency);
    row->addStretch();
    auto* checkNow = new QPushButton(l10n("general.updates.check_now"));
    row->addWidget(checkNow);
    updatesBox->addLayout(row);
    auto* updateRow = new QHBoxLayout;
    auto* updateLine = new QLabel;
    updateLine->setObjectName(QStringLiteral("updateAvailable"));
    updateLine->setWordWrap(true);
    updateLine->setTextFormat(Qt::RichText);
    connect(updateLine, &QLabel::linkActivated, this,
            [this](const QString& link) { platform_.openURL(link.toStdString()); });
    auto* skip = new QPushButton(l10n("general.updates.skip"));
    skip->setObjectName(QStringLiteral("skipVersion"));
    updateRow->addWidget(updateLine, 1);
    updateRow->addWidget(skip);
    updatesBox->addLayout(updateRow);
    updatesBox->addWidget(note(callbacks_.updatesConfigured ? l10n("general.updates.desc")
                                                            : l10n("general.updates.unconfigured")));
    layout->addWidget(section("general.updates.header", updatesBox));
    for (QWidget* control : {static_cast<QWidget*>(automatic), static_cast<QWidget*>(frequency),
                             static_cast<QWidget*>(checkNow)}) {
        control->setEnabled(callbacks_.updatesConfigured);
    }
    // A build without an update feed never checks: its box is not ticked, whatever was saved.
    auto showFrequency = [automatic, frequency, configured = callbacks_.updatesConfigured] {
        const UpdateCheckFrequency saved =
            UserPreferences::load(UserPreferences::defaultPath()).updateCheckFrequency;
        const QSignalBlocker quietBox(automatic);
        const QSignalBlocker quietList(frequency);
        automatic->setChecked(configured && saved != UpdateCheckFrequency::never);
        frequency->setCurrentIndex(frequency->findData(static_cast<int>(saved)));
    };
    connect(automatic, &QCheckBox::toggled, this, [this, showFrequency](bool on) {
        if (SettingsActions::setAutomaticUpdates(on) && callbacks_.updatePolicyChanged) {
            callbacks_.updatePolicyChanged();
        }
        showFrequency();
    });
    connect(frequency, &QComboBox::activated, this, [this, frequency, showFrequency](int index) {
        if (SettingsActions::setUpdateFrequency(
                static_cast<UpdateCheckFrequency>(frequency->itemData(index).toInt())) &&
            callbacks_.updatePolicyChanged) {
            callbacks_.updatePolicyChanged();
        }
        showFrequency();
    });
    connect(checkNow, &QPushButton::clicked, this, [this] {
        if (callbacks_.checkForUpdates) {
            callbacks_.checkForUpdates();
        }
    });
    refreshUpdateLine_ = [this, updateLine, skip] {
        const std::optional<std::pair<std::string, std::string>> update =
            callbacks_.availableUpdate ? callbacks_.availableUpdate() : std::nullopt;
        if (update) {
            // The whole line links to the download page.
            updateLine->setText(
                QStringLiteral("<a href=\"%1\">%2</a>")
                    .arg(QString::fromStdString(update->second).toHtmlEscaped(),
                         filled("general.updates.available", QString::fromStdString(update->first))
                             .toHtmlEscaped()));
        }
        updateLine->setVisible(update.has_value());
        skip->setVisible(update.has_value() && static_cast<bool>(callbacks_.skipVersion));
    };
    connect(skip, &QPushButton::clicked, this, [this] {
        if (const auto update = callbacks_.availableUpdate ? callbacks_.availableUpdate() : std::nullopt) {
            callbacks_.skipVersion(update->first);
        }
        updateAvailabilityChanged();
    });

    // What the menu also switches: launch at login and learning mode.
    auto* startBox = new QVBoxLayout;
    auto* launch = new QCheckBox(l10n("menu.launch_at_login"));
    launch->setObjectName(QStringLiteral("launchAtLogin"));
    auto* learning = new QCheckBox(l10n("menu.learning_mode"));
    learning->setObjectName(QStringLiteral("learningMode"));
    startBox->addWidget(launch);
    startBox->addWidget(learning);
    auto* behaviour = new QGroupBox;
    behaviour->setLayout(startBox);
    layout->addWidget(behaviour);
    connect(launch, &QCheckBox::toggled, this, [](bool on) { MenuActions::setLaunchAtLogin(on); });
    connect(learning, &QCheckBox::toggled, this, [this](bool on) {
        if (callbacks_.setLearningMode) {
            callbacks_.setLearningMode(on);
        }
    });
    learning->setVisible(static_cast<bool>(callbacks_.learningMode));
    refreshers_.push_back([this, launch, learning] {
        const QSignalBlocker quietLaunch(launch);
        const QSignalBlocker quietLearning(learning);
        launch->setChecked(UserPreferences::load(UserPreferences::defaultPath()).launchAtLogin);
        learning->setChecked(callbacks_.learningMode && callbacks_.learningMode());
    });

    auto* resetBox = new QVBoxLayout;
    auto* reset = new QPushButton(l10n("general.reset.button"));
    reset->setObjectName(QStringLiteral("resetAll"));
    resetBox->addWidget(reset, 0, Qt::AlignLeft);
    resetBox->addWidget(note(l10n("general.reset.desc")));
    layout->addWidget(section("general.reset.header", resetBox));
    auto* aboutBox = new QVBoxLayout;
    aboutBox->addWidget(note(QString::fromStdString(L10n::format("general.about.text", Usage::version()))));
    layout->addWidget(section("general.about.header", aboutBox));
    connect(reset, &QPushButton::clicked, this, [this] {
        QMessageBox ask(QMessageBox::Warning, l10n("settings.reset.confirm_title"),
                        l10n("settings.reset.confirm_title"), QMessageBox::NoButton, this);
        ask.setInformativeText(l10n("settings.reset.confirm_body"));
        QPushButton* confirm = ask.addButton(l10n("settings.reset.button"), QMessageBox::DestructiveRole);
        ask.addButton(l10n("common.cancel"), QMessageBox::RejectRole);
        ask.exec();
        if (ask.clickedButton() != confirm || !SettingsActions::resetAll(platform_)) {
            return;
        }
        L10n::setLanguage(UserPreferences::load(UserPreferences::defaultPath()).uiLanguage);
        for (const auto& callback :
             {callbacks_.updatePolicyChanged, callbacks_.reloadConfig, callbacks_.interfaceLanguageChanged}) {
            if (callback) {
                callback();
            }
        }
        QMessageBox::information(this, l10n("settings.title"), l10n("settings.reset.done"));
        QMetaObject::invokeMethod(
            this, [this] { rebuild(); }, Qt::QueuedConnection);
    });
    layout->addStretch();

    refreshers_.push_back([language, showFrequency, this] {
        const QSignalBlocker quiet(language);
        language->setCurrentIndex(language->findData(QString::fromStdString(L10n::language())));
        showFrequency();
        updateAvailabilityChanged();
    });
    refreshers_.back()();
    return page;
}

QWidget* SettingsWindow::hotkeysTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    auto* undo = new ShortcutRecorder(hotkeys_.undoShortcut);
    undo->setObjectName(QStringLiteral("undoRecorder"));
    form->addRow(l10n("hotkeys.undo.label"), undo);
    form->addRow(QString(), note(l10n("hotkeys.undo.desc")));
    auto* convert = new ShortcutRecorder(hotkeys_.switchShortcut);
    convert->setObjectName(QStringLiteral("convertRecorder"));
    form->addRow(l10n("hotkeys.switch.label"), convert);
    form->addRow(QString(), note(l10n("hotkeys.switch.desc")));
    layout->addLayout(form);

    auto* convertToForm = new QFormLayout;
    std::map<std::string, ShortcutRecorder*> convertTo;
    for (const SettingsActions::LanguageRow& language :
         SettingsActions::languageRows(UserPreferences::load(UserPreferences::defaultPath()))) {
        if (!language.active) {
            continue;
        }
        const auto binding = hotkeys_.convertToBindings.find(language.code);
        auto* recorder = new ShortcutRecorder(binding != hotkeys_.convertToBindings.end()
                                                  ? std::optional<Shortcut>(binding->second)
                                                  : std::nullopt);
        recorder->setObjectName(QString::fromStdString("convertTo:" + language.code));
        auto* clear = new QPushButton(l10n("common.remove"));
        connect(clear, &QPushButton::clicked, recorder, [recorder] { recorder->setShortcut(std::nullopt); });
        auto* row = new QHBoxLayout;
        row->addWidget(recorder);
        row->addWidget(clear);
        row->addStretch();
        convertToForm->addRow(filled("hotkeys.convert.row", QString::fromStdString(language.displayName)),
                              row);
        convertTo[language.code] = recorder;
    }
    layout->addWidget(section("hotkeys.convert.header", convertToForm));

    layout->addWidget(note(l10n("hotkeys.save.desc")));
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(l10n("hotkeys.save"));
    save->setObjectName(QStringLiteral("saveHotkeys"));
    auto* reset = new QPushButton(l10n("hotkeys.reset"));
    buttons->addWidget(save);
    buttons->addWidget(reset);
    buttons->addStretch();
    layout->addLayout(buttons);
    auto* status = new QLabel;
    status->setObjectName(QStringLiteral("hotkeysStatus"));
    status->setWordWrap(true);
    layout->addWidget(status);
    layout->addStretch();

    connect(save, &QPushButton::clicked, this, [this, undo, convert, convertTo, status] {
        HotkeyActions::Choice choice{undo->shortcut(), convert->shortcut(), {}};
        for (const auto& [language, recorder] : convertTo) {
            if (recorder->shortcut()) {
                choice.convertTo[language] = *recorder->shortcut();
            }
        }
        if (std::optional<std::string> refused = HotkeyActions::save(hotkeys_, choice)) {
            status->setStyleSheet(QStringLiteral("color: #c62828"));
            status->setText(QString::fromStdString(*refused));
            return;
        }
        status->setStyleSheet(QString());
        status->setText(l10n("hotkeys.saved"));
        close(); // taken at once; the menu shows them
    });
    connect(reset, &QPushButton::clicked, this, [undo, convert, convertTo] {
        undo->setShortcut(HotkeyManager::defaultUndo);
        convert->setShortcut(HotkeyManager::defaultSwitch);
        for (const auto& [language, recorder] : convertTo) {
            recorder->setShortcut(std::nullopt);
        }
    });
    return page;
}

QWidget* SettingsWindow::rulesTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* search = new QLineEdit;
    search->setObjectName(QStringLiteral("rulesSearch"));
    search->setPlaceholderText(l10n("rules.search_placeholder"));
    search->setClearButtonEnabled(true);
    layout->addWidget(search);
    layout->addWidget(new QLabel(l10n("rules.pairs.header")));
    QTableWidget* pairs = table({l10n("rules.col.from_lang"), l10n("rules.col.typed"),
                                 l10n("rules.col.to_lang"), l10n("rules.col.corrected")});
    pairs->setObjectName(QStringLiteral("pairs"));
    layout->addWidget(pairs, 2);
    auto* pairButtons = new QHBoxLayout;
    auto* addPair = new QPushButton(l10n("common.add"));
    addPair->setObjectName(QStringLiteral("addPair"));
    auto* removePair = new QPushButton(l10n("common.remove"));
    removePair->setObjectName(QStringLiteral("removePair"));
    pairButtons->addWidget(addPair);
    pairButtons->addWidget(removePair);
    pairButtons->addStretch();
    layout->addLayout(pairButtons);
    layout->addWidget(new QLabel(l10n("rules.never.header")));
    QTableWidget* exceptions = table({l10n("rules.col.language"), l10n("rules.col.word")});
    exceptions->setObjectName(QStringLiteral("exceptions"));
    layout->addWidget(exceptions, 1);
    auto* exceptionButtons = new QHBoxLayout;
    auto* addException = new QPushButton(l10n("common.add"));
    addException->setObjectName(QStringLiteral("addException"));
    auto* removeException = new QPushButton(l10n("common.remove"));
    removeException->setObjectName(QStringLiteral("removeException"));
    exceptionButtons->addWidget(addException);
    exceptionButtons->addWidget(removeException);
    exceptionButtons->addStretch();
    layout->addLayout(exceptionButtons);

    // The rows shown, as loaded; each row keeps its index in `rules` as its data.
    auto rules = std::make_shared<RulesActions::Rules>();
    auto show = [pairs, exceptions, search, rules] {
        const std::string text = search->text().toStdString();
        pairs->setRowCount(0);
        for (std::size_t i = 0; i < rules->pairs.size(); ++i) {
            const RulesActions::PairRow& row = rules->pairs[i];
            if (!RulesActions::matches(row, text)) {
                continue;
            }
            const int at = pairs->rowCount();
            pairs->insertRow(at);
            pairs->setItem(at, 0, cell(row.fromLanguage));
            pairs->setItem(at, 1, cell(row.typed));
            pairs->setItem(at, 2, cell(row.toLanguage));
            pairs->setItem(at, 3, cell(row.corrected));
            pairs->item(at, 0)->setData(Qt::UserRole, static_cast<int>(i));
        }
        exceptions->setRowCount(0);
        for (std::size_t i = 0; i < rules->exceptions.size(); ++i) {
            const RulesActions::ExceptionRow& row = rules->exceptions[i];
            if (!RulesActions::matches(row, text)) {
                continue;
            }
            const int at = exceptions->rowCount();
            exceptions->insertRow(at);
            exceptions->setItem(at, 0, cell(row.language));
            exceptions->setItem(at, 1, cell(row.word));
            exceptions->item(at, 0)->setData(Qt::UserRole, static_cast<int>(i));
        }
    };
    auto refresh = [rules, show] {
        *rules = RulesActions::load();
        show();
    };
    auto commit = [this, rules, show] {
        if (RulesActions::save(*rules)) {
            callbacks_.reloadConfig();
        }
        *rules = RulesActions::load(); // what was saved, in order
        show();
    };
    connect(search, &QLineEdit::textChanged, this, show);

    // A small form: text fields with their placeholders, and language choices.
    auto ask = [this](const char* title, const char* body,
                      const std::vector<std::pair<const char*, const char*>>& fields,
                      const std::vector<std::pair<const char*, std::string>>& languages)
        -> std::optional<std::pair<std::vector<std::string>, std::vector<std::string>>> {
        QDialog dialog(this);
        dialog.setWindowTitle(l10n(title));
        auto* form = new QFormLayout(&dialog);
        form->addRow(new QLabel(l10n(body)));
        std::vector<QLineEdit*> edits;
        std::vector<QComboBox*> choices;
        for (std::size_t i = 0; i < std::max(fields.size(), languages.size()); ++i) {
            if (i < fields.size()) {
                auto* edit = new QLineEdit;
                edit->setPlaceholderText(l10n(fields[i].second));
                form->addRow(l10n(fields[i].first), edit);
                edits.push_back(edit);
            }
            if (i < languages.size()) {
                auto* choice = new QComboBox;
                for (const char* code : {"en", "ru", "uk"}) {
                    choice->addItem(QString::fromStdString(MenuModel::languageName(code)),
                                    QString::fromLatin1(code));
                }
                choice->setCurrentIndex(choice->findData(QString::fromStdString(languages[i].second)));
                form->addRow(l10n(languages[i].first), choice);
                choices.push_back(choice);
            }
        }
        auto* buttons = new QHBoxLayout;
        auto* add = new QPushButton(l10n("common.add"));
        add->setDefault(true);
        auto* cancel = new QPushButton(l10n("common.cancel"));
        buttons->addStretch();
        buttons->addWidget(cancel);
        buttons->addWidget(add);
        form->addRow(buttons);
        connect(add, &QPushButton::clicked, &dialog, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        std::pair<std::vector<std::string>, std::vector<std::string>> answer;
        for (QLineEdit* edit : edits) {
            answer.first.push_back(edit->text().toStdString());
        }
        for (QComboBox* choice : choices) {
            answer.second.push_back(choice->currentData().toString().toStdString());
        }
        return answer;
    };
    connect(addPair, &QPushButton::clicked, this, [rules, commit, ask] {
        const auto answer = ask("rules.add_pair.title", "rules.add_pair.body",
                                {{"rules.field.typed", "rules.placeholder.typed"},
                                 {"rules.field.corrected", "rules.placeholder.corrected"}},
                                {{"rules.field.from_language", "en"}, {"rules.field.to_language", "ru"}});
        if (answer && RulesActions::addPair(*rules, {answer->second[0], answer->first[0], answer->second[1],
                                                     answer->first[1]})) {
            commit();
        }
    });
    connect(addException, &QPushButton::clicked, this, [rules, commit, ask] {
        const auto answer =
            ask("rules.add_exc.title", "rules.add_exc.body", {{"rules.field.word", "rules.placeholder.word"}},
                {{"rules.field.language", "en"}});
        if (answer && RulesActions::addException(*rules, {answer->second[0], answer->first[0]})) {
            commit();
        }
    });
    connect(removePair, &QPushButton::clicked, this, [pairs, rules, commit] {
        const int row = pairs->currentRow();
        if (row >= 0 && pairs->item(row, 0) != nullptr) {
            rules->pairs.erase(rules->pairs.begin() + pairs->item(row, 0)->data(Qt::UserRole).toInt());
            commit();
        }
    });
    connect(removeException, &QPushButton::clicked, this, [exceptions, rules, commit] {
        const int row = exceptions->currentRow();
        if (row >= 0 && exceptions->item(row, 0) != nullptr) {
            rules->exceptions.erase(rules->exceptions.begin() +
                                    exceptions->item(row, 0)->data(Qt::UserRole).toInt());
            commit();
        }
    });
    refreshers_.push_back(refresh);
    refresh();
    return page;
}

QWidget* SettingsWindow::appsTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(l10n("apps.header")));
    QTableWidget* apps = table({l10n("apps.col.application"), l10n("apps.col.bundle")});
    apps->setObjectName(QStringLiteral("excludedApps"));
    layout->addWidget(apps);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(l10n("apps.add"));
    auto* remove = new QPushButton(l10n("apps.remove"));
    remove->setObjectName(QStringLiteral("removeApp"));
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(note(l10n("apps.hint")));

    auto* gamesBox = new QVBoxLayout;
    auto* games = new QCheckBox(l10n("general.games.checkbox"));
    gamesBox->addWidget(games);
    gamesBox->addWidget(note(l10n("general.games.desc")));
    layout->addWidget(section("general.games.header", gamesBox));

    auto refresh = [apps, games, remove] {
        const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
        const std::vector<SettingsActions::ExcludedAppRow> rows =
            SettingsActions::excludedAppRows(preferences);
        apps->setRowCount(static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            apps->setItem(static_cast<int>(i), 0, cell(rows[i].name));
            apps->setItem(static_cast<int>(i), 1, cell(rows[i].desktopEntryID));
        }
        apps->resizeColumnToContents(0);
        apps->setColumnWidth(0, std::max(apps->columnWidth(0), 240));
        remove->setEnabled(!apps->selectedItems().isEmpty());
        const QSignalBlocker quiet(games);
        games->setChecked(preferences.pauseInGames);
    };
    connect(apps, &QTableWidget::itemSelectionChanged, remove,
            [apps, remove] { remove->setEnabled(!apps->selectedItems().isEmpty()); });
    connect(add, &QPushButton::clicked, this, [this, refresh] {
        const std::vector<std::string> directories = DesktopEntries::directories();
        const QString start =
            QString::fromStdString(directories.size() > 1 ? directories[1] : directories.front());
        const QStringList chosen =
            QFileDialog::getOpenFileNames(this, l10n("apps.panel.title"), start, QStringLiteral("*.desktop"));
        std::vector<std::string> paths;
        for (const QString& path : chosen) {
            paths.push_back(path.toStdString());
        }
        if (const std::optional<int> added = SettingsActions::addExcludedApps(paths); added && *added > 0) {
            callbacks_.reloadConfig();
        }
        refresh();
    });
    connect(remove, &QPushButton::clicked, this, [this, apps, refresh] {
        const QList<QTableWidgetItem*> selected = apps->selectedItems();
        if (!selected.isEmpty() && SettingsActions::removeExcludedApp(
                                       apps->item(selected.front()->row(), 1)->text().toStdString())) {
            callbacks_.reloadConfig();
        }
        refresh();
    });
    connect(games, &QCheckBox::toggled, this, [this](bool on) {
        if (SettingsActions::setPauseInGames(on)) {
            callbacks_.reloadConfig();
        }
    });
    refreshers_.push_back(refresh);
    refresh();
    return page;
}

QWidget* SettingsWindow::languagesTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(l10n("languages.header")));
    QTableWidget* languages =
        table({l10n("languages.col.language"), l10n("languages.col.status"), l10n("languages.col.priority")});
    languages->setObjectName(QStringLiteral("languages"));
    layout->addWidget(languages);
    auto* buttons = new QHBoxLayout;
    auto* up = new QPushButton(l10n("languages.move_up"));
    up->setObjectName(QStringLiteral("moveUp"));
    auto* down = new QPushButton(l10n("languages.move_down"));
    down->setObjectName(QStringLiteral("moveDown"));
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(note(l10n("languages.hint")));

    auto enableButtons = [languages, up, down] {
        const auto rows =
            SettingsActions::languageRows(UserPreferences::load(UserPreferences::defaultPath()));
        const int row = languages->currentRow();
        up->setEnabled(row >= 0 && SettingsActions::canMove(rows, static_cast<std::size_t>(row), -1));
        down->setEnabled(row >= 0 && SettingsActions::canMove(rows, static_cast<std::size_t>(row), 1));
    };
    auto refresh = [languages, enableButtons] {
        const auto rows =
            SettingsActions::languageRows(UserPreferences::load(UserPreferences::defaultPath()));
        const QSignalBlocker quiet(languages);
        languages->setRowCount(static_cast<int>(rows.size()));
        for (std::size_t i = 0; i < rows.size(); ++i) {
            std::string status =
                L10n::t(rows[i].active ? "languages.status.active" : "languages.status.inactive");
            if (rows[i].code == "en") {
                status += L10n::t("languages.always_first");
            }
            languages->setItem(static_cast<int>(i), 0, cell(rows[i].displayName));
            languages->setItem(static_cast<int>(i), 1, cell(status));
            languages->setItem(static_cast<int>(i), 2,
                               cell(rows[i].priority > 0 ? std::to_string(rows[i].priority) : std::string()));
        }
        languages->resizeColumnsToContents();
        languages->setColumnWidth(0, std::max(languages->columnWidth(0), 240));
        enableButtons();
    };
    connect(languages, &QTableWidget::itemSelectionChanged, this, enableButtons);
    auto move = [this, languages, refresh](int delta) {
        const int row = languages->currentRow();
        if (row >= 0 && SettingsActions::moveLanguage(static_cast<std::size_t>(row), delta)) {
            callbacks_.reloadConfig();
            refresh();
            languages->selectRow(row + delta);
        }
    };
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
    refreshers_.push_back(refresh);
    refresh();
    return page;
}

QWidget* SettingsWindow::feedbackTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("feedbackTab"));
    auto* layout = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    auto* type = new QComboBox;
    for (const auto& [value, key] : {std::pair{FeedbackType::bug, "feedback.type.bug"},
                                     std::pair{FeedbackType::idea, "feedback.type.idea"},
                                     std::pair{FeedbackType::other, "feedback.type.other"}}) {
        type->addItem(l10n(key), static_cast<int>(value));
    }
    form->addRow(l10n("feedback.type"), type);
    auto* message = new QPlainTextEdit;
    message->setObjectName(QStringLiteral("feedbackMessage"));
    form->addRow(l10n("feedback.message"), message);
    auto* email = new QLineEdit;
    email->setPlaceholderText(l10n("feedback.email_placeholder"));
    form->addRow(l10n("feedback.email"), email);
    layout->addLayout(form);
    auto* crashLog = new QCheckBox(l10n("feedback.include_crash_log"));
    crashLog->setObjectName(QStringLiteral("includeCrashLog"));
    layout->addWidget(crashLog);
    layout->addWidget(note(l10n("feedback.privacy")));
    auto* row = new QHBoxLayout;
    auto* send = new QPushButton(l10n("feedback.submit"));
    auto* status = new QLabel;
    status->setWordWrap(true);
    row->addWidget(send);
    row->addWidget(status, 1);
    layout->addLayout(row);
    if (!feedback_.isConfigured()) {
        send->setEnabled(false);
        status->setText(FeedbackError{FeedbackError::Kind::unconfigured, 0, {}}.description());
    }

    auto refresh = [crashLog] {
        const std::optional<std::string> log = AtomicFile::read(AppPaths::crashLogPath());
        crashLog->setVisible(log && !log->empty());
    };
    connect(send, &QPushButton::clicked, this, [this, type, message, email, crashLog, send, status] {
        if (message->toPlainText().trimmed().isEmpty()) {
            status->setStyleSheet(QString());
            status->setText(l10n("feedback.status.empty"));
            return;
        }
        std::optional<QString> log;
        if (crashLog->isVisible() && crashLog->isChecked()) {
            log = QString::fromStdString(AtomicFile::read(AppPaths::crashLogPath()).value_or(""));
        }
        send->setEnabled(false);
        status->setStyleSheet(QString());
        status->setText(l10n("feedback.status.sending"));
        feedback_.submit(static_cast<FeedbackType>(type->currentData().toInt()), message->toPlainText(),
                         email->text(), log, [message, send, status](std::optional<FeedbackError> error) {
                             send->setEnabled(true);
                             if (error) {
                                 status->setStyleSheet(QStringLiteral("color: #c62828"));
                                 status->setText(error->description()); // the message stays for another try
                             } else {
                                 message->clear();
                                 status->setStyleSheet(QString());
                                 status->setText(l10n("feedback.status.thanks"));
                             }
                         });
    });
    refreshers_.push_back(refresh);
    refresh();
    return page;
}

QWidget* SettingsWindow::debugTab() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    std::error_code ec;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    auto* locationBox = new QVBoxLayout;
    locationBox->addWidget(new QLabel(QString::fromStdString(program.string())));
    auto* reveal = new QPushButton(l10n("debug.open_finder"));
    locationBox->addWidget(reveal, 0, Qt::AlignLeft);
    layout->addWidget(section("debug.location.header", locationBox));
    connect(reveal, &QPushButton::clicked, this, [this, program] {
        platform_.openURL(QUrl::fromLocalFile(QString::fromStdString(program.parent_path().string()))
                              .toString()
                              .toStdString());
    });

    const QString logPath = QString::fromStdString(CoreLog::logPath());
    auto* logBox = new QVBoxLayout;
    auto* log = new QCheckBox(filled("debug.log.checkbox", logPath));
    log->setChecked(DebugLog::isEnabled());
    auto* show = new QPushButton(l10n("debug.show_log"));
    logBox->addWidget(log);
    logBox->addWidget(show, 0, Qt::AlignLeft);
    logBox->addWidget(note(l10n("debug.log.desc") + QStringLiteral(" ") + l10n("debug.log.typed_warning")));
    layout->addWidget(section("debug.log.header", logBox));
    layout->addStretch();
    connect(log, &QCheckBox::toggled, this,
            [](bool on) { MenuActions::setDebugLog(on, " (from Settings)"); });
    connect(show, &QPushButton::clicked, this, [this, logPath] {
        const QString target =
            std::filesystem::exists(logPath.toStdString())
                ? logPath
                : QString::fromStdString(std::filesystem::path(logPath.toStdString()).parent_path());
        platform_.openURL(QUrl::fromLocalFile(target).toString().toStdString());
    });
    return page;
}

} // namespace keyvane
