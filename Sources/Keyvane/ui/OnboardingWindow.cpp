// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/ui/OnboardingWindow.h"

#include "Keyvane/app/L10n.h"
#include "Keyvane/app/SettingsFile.h"
#include "Keyvane/ui/SettingsActions.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLayoutItem>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace keyvane {

namespace {

QString l10n(const char* key) {
    return QString::fromStdString(L10n::t(key));
}

QLabel* text(const QString& content, double points, bool secondary = false) {
    auto* label = new QLabel(content);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignHCenter);
    QFont font = label->font();
    font.setPointSizeF(points);
    label->setFont(font);
    if (secondary) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
        label->setPalette(palette);
    }
    return label;
}

void clear(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->deleteLater();
        }
        if (QLayout* inner = item->layout()) {
            clear(inner);
        }
        delete item;
    }
}

} // namespace

OnboardingWindow::OnboardingWindow(std::function<KeyAccess()> check, std::function<void()> onComplete,
                                   WaylandCheck wayland, QWidget* parent)
    : QWidget(parent)
    , check_(std::move(check))
    , onComplete_(std::move(onComplete))
    , wayland_(std::move(wayland)) {
    setObjectName(QStringLiteral("KeyvaneOnboarding"));
    new QVBoxLayout(this);
    setMinimumWidth(640);
    poll_.setInterval(1000);
    connect(&poll_, &QTimer::timeout, this, &OnboardingWindow::refresh);
    build();
    refresh();
}

void OnboardingWindow::build() {
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    clear(layout);
    setWindowTitle(l10n("onboarding.window_title"));

    auto* languageRow = new QHBoxLayout;
    languageRow->addStretch();
    languageRow->addWidget(new QLabel(l10n("onboarding.language_label")));
    auto* language = new QComboBox;
    language->setObjectName(QStringLiteral("onboardingLanguage"));
    for (const auto& [code, name] : L10n::uiLanguages()) {
        language->addItem(QString::fromStdString(name), QString::fromStdString(code));
    }
    language->setCurrentIndex(language->findData(QString::fromStdString(L10n::language())));
    languageRow->addWidget(language);
    layout->addLayout(languageRow);
    connect(language, &QComboBox::activated, this, [this, language](int index) {
        if (SettingsActions::setInterfaceLanguage(language->itemData(index).toString().toStdString())) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    build();
                    refresh();
                },
                Qt::QueuedConnection);
        }
    });

    auto* icon = new QLabel;
    // The installed icon theme's, else the one the build drew.
    icon->setPixmap(QIcon::fromTheme(QStringLiteral("keyvane"), QIcon(QStringLiteral(KEYVANE_BUILD_ICON)))
                        .pixmap(96, 96));
    icon->setAlignment(Qt::AlignHCenter);
    layout->addWidget(icon);
    title_ = text(l10n("onboarding.title"), 20);
    title_->setObjectName(QStringLiteral("onboardingTitle"));
    layout->addWidget(title_);
    layout->addWidget(text(l10n("onboarding.subtitle"), 12, true));
    layout->addWidget(text(l10n("onboarding.subtitle_detail"), 11));

    auto* card = new QFrame;
    card->setFrameShape(QFrame::StyledPanel);
    auto* cardLayout = new QVBoxLayout(card);
    cardLayout->addWidget(text(l10n("onboarding.card.title"), 14));
    cardText_ = text(QString(), 10.5);
    cardLayout->addWidget(cardText_);
    state_ = new QPushButton;
    state_->setEnabled(false);
    state_->setMinimumSize(240, 34);
    cardLayout->addWidget(state_, 0, Qt::AlignHCenter);
    checkAgain_ = new QPushButton(l10n("onboarding.reset_permission"));
    cardLayout->addWidget(checkAgain_, 0, Qt::AlignHCenter);
    connect(checkAgain_, &QPushButton::clicked, this, &OnboardingWindow::refresh);
    layout->addWidget(card);

    auto* waylandCard = new QFrame;
    waylandCard->setObjectName(QStringLiteral("onboardingWayland"));
    waylandCard->setFrameShape(QFrame::StyledPanel);
    auto* waylandLayout = new QVBoxLayout(waylandCard);
    waylandLayout->addWidget(text(l10n("onboarding.wayland.title"), 14));
    waylandText_ = text(QString(), 10.5);
    waylandText_->setTextInteractionFlags(Qt::TextSelectableByMouse); // the commands can be copied
    waylandLayout->addWidget(waylandText_);
    addSourceButton_ = consentButton(*waylandLayout, "onboarding.gnome.add", "onboardingAddInputSource",
                                     addSource_, addResult_);
    switchKeyButton_ = consentButton(*waylandLayout, "onboarding.gnome.switch_key", "onboardingSwitchKey",
                                     giveSwitchKey_, switchKeyResult_);
    waylandCard_ = waylandCard;
    layout->addWidget(waylandCard);

    layout->addWidget(text(l10n("onboarding.banner"), 10.5, true));
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    layout->addWidget(line);
    continue_ = new QPushButton(l10n("onboarding.continue"));
    continue_->setObjectName(QStringLiteral("onboardingContinue"));
    continue_->setMinimumSize(320, 38);
    continue_->setDefault(true);
    layout->addWidget(continue_, 0, Qt::AlignHCenter);
    connect(continue_, &QPushButton::clicked, this, &OnboardingWindow::finish);
    hint_ = text(QString(), 10, true);
    layout->addWidget(hint_);
}

QPushButton* OnboardingWindow::consentButton(QBoxLayout& layout, const char* textKey, const char* name,
                                             const SourceAdder& change, std::optional<std::string>& result) {
    auto* button = new QPushButton(l10n(textKey));
    button->setObjectName(QString::fromLatin1(name));
    layout.addWidget(button, 0, Qt::AlignHCenter);
    // The change is given later, once the window exists: it is looked up on each click.
    connect(button, &QPushButton::clicked, this, [this, &change, &result] {
        if (change) {
            result = change().value_or(std::string());
            refresh();
        }
    });
    return button;
}

void OnboardingWindow::refresh() {
    access_ = check_();
    const bool granted = access_ == KeyAccess::granted;
    title_->setText(l10n(granted ? "onboarding.title_ready" : "onboarding.title"));
    cardText_->setText(l10n(granted ? "onboarding.card.ready" : "onboarding.card.desc_extensions"));
    state_->setText(granted ? QStringLiteral("✓ ") + l10n("onboarding.ax_enabled")
                            : l10n("onboarding.card.title"));
    state_->setStyleSheet(granted ? QStringLiteral("color: #2e7d32; font-weight: bold") : QString());
    checkAgain_->setVisible(!granted);
    continue_->setEnabled(granted);
    hint_->setText(granted ? QString() : l10n("onboarding.hint.waiting"));
    using CorrectionReadiness::WaylandReach;
    const WaylandReach reach = wayland_ ? wayland_() : WaylandReach::notWayland;
    waylandCard_->setVisible(reach != WaylandReach::notWayland);
    const char* said = "onboarding.wayland.steps";
    switch (reach) {
    case WaylandReach::addonCorrects: said = "onboarding.wayland.ready"; break;
    case WaylandReach::engineCorrects: said = "onboarding.gnome.ready"; break;
    case WaylandReach::engineNotSelected: said = "onboarding.gnome.select"; break;
    case WaylandReach::engineNotInstalled: said = "onboarding.gnome.steps"; break;
    case WaylandReach::notWayland:
    case WaylandReach::unreached: break;
    }
    QString shown = l10n(said);
    if (reach == WaylandReach::engineNotSelected && addResult_) {
        shown = addResult_->empty()
                    ? l10n("onboarding.gnome.added")
                    : l10n("onboarding.gnome.add_failed") + QString::fromStdString(*addResult_);
    }
    // With the engine as the only input source GNOME's Super+Space switches nothing.
    bool offerSwitchKey = false;
    if (reach == WaylandReach::engineCorrects && giveSwitchKey_) {
        if (switchKeyResult_) {
            shown += QStringLiteral("\n\n") + (switchKeyResult_->empty()
                                                   ? l10n("onboarding.gnome.switch_key_given")
                                                   : l10n("onboarding.gnome.switch_key_failed") +
                                                         QString::fromStdString(*switchKeyResult_));
        }
        offerSwitchKey =
            (!switchKeyResult_ || !switchKeyResult_->empty()) && switchKeyNeeded_ && switchKeyNeeded_();
        if (offerSwitchKey && !switchKeyResult_) {
            shown += QStringLiteral("\n\n") + l10n("onboarding.gnome.switch_key_why");
        }
    }
    waylandText_->setText(shown);
    addSourceButton_->setVisible(reach == WaylandReach::engineNotSelected && addSource_ &&
                                 (!addResult_ || !addResult_->empty()));
    switchKeyButton_->setVisible(offerSwitchKey);
    const bool reached = reach == WaylandReach::notWayland || reach == WaylandReach::addonCorrects ||
                         reach == WaylandReach::engineCorrects;
    if (granted && reached) {
        poll_.stop();
    } else if (!poll_.isActive()) {
        poll_.start();
    }
}

void OnboardingWindow::finish() {
    if (!canContinue()) {
        return;
    }
    poll_.stop();
    close();
    if (onComplete_) {
        auto complete = std::move(onComplete_);
        onComplete_ = nullptr;
        complete();
    }
}

void OnboardingWindow::closeEvent(QCloseEvent* event) {
    poll_.stop(); // shown again, it looks again
    QWidget::closeEvent(event);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        finish(); // does nothing until keys can be watched
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace Onboarding {

bool shouldShow(KeyAccess access, const std::string& settingsPath) {
    if (access != KeyAccess::granted) {
        return true;
    }
    return !SettingsFile::usable(settingsPath) ||
           !QSettings(QString::fromStdString(settingsPath), QSettings::IniFormat)
                .value(QStringLiteral("Onboarding/welcomed"), false)
                .toBool();
}

void rememberWelcomed(const std::string& settingsPath) {
    if (SettingsFile::usable(settingsPath)) {
        QSettings(QString::fromStdString(settingsPath), QSettings::IniFormat)
            .setValue(QStringLiteral("Onboarding/welcomed"), true);
    }
}

} // namespace Onboarding
} // namespace keyvane
