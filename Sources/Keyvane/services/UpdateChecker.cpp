// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/UpdateChecker.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/SettingsFile.h"
#include "Keyvane/services/FeedSignature.h"
#include "Keyvane/usage/Usage.h"
#include "KeyvaneCore/AppPaths.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QSettings>

namespace keyvane {

namespace {

const QString lastCheckKey = QStringLiteral("Updates/lastCheck");

QSettings openSettings(const std::string& path) {
    return QSettings(QString::fromStdString(path), QSettings::IniFormat);
}

QNetworkRequest requestFor(const QString& url, int timeoutMs) {
    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    return request;
}

// The reply's body, or why there is none.
std::optional<QByteArray> bodyOf(QNetworkReply* reply, QString* error) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 0 && (status < 200 || status > 299)) {
        *error = QStringLiteral("HTTP %1").arg(status);
        return std::nullopt;
    }
    if (reply->error() != QNetworkReply::NoError) {
        *error = reply->errorString();
        return std::nullopt;
    }
    return reply->readAll();
}

} // namespace

UpdateChecker::Config UpdateChecker::fromBuild() {
    Config config;
    config.feedUrl = QStringLiteral(KEYVANE_UPDATE_FEED_URL);
    config.publicKey = QByteArrayLiteral(KEYVANE_UPDATE_PUBLIC_KEY);
    config.currentVersion = QString::fromStdString(Usage::version());
    config.settingsPath = AppPaths::userDefaultsPath();
    config.preferencesPath = UserPreferences::defaultPath();
    return config;
}

UpdateChecker::UpdateChecker(Config config, QObject* parent)
    : QObject(parent)
    , config_(std::move(config)) {
    configured_ = !config_.feedUrl.trimmed().isEmpty() && !config_.publicKey.trimmed().isEmpty();
    if (!configured_) {
        appLog("[Keyvane] Sparkle disabled: no update feed configured (dev build).");
    }
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::VeryCoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &UpdateChecker::checkNow);
}

void UpdateChecker::applyPolicy(UpdateCheckFrequency frequency) {
    if (!configured_) {
        return;
    }
    switch (frequency) {
    case UpdateCheckFrequency::hourly:
        intervalSeconds_ = 3600;
        automatic_ = true;
        break;
    case UpdateCheckFrequency::daily:
        intervalSeconds_ = 86400;
        automatic_ = true;
        break;
    case UpdateCheckFrequency::atStartup:
        automatic_ = false;
        checkNow();
        break;
    case UpdateCheckFrequency::never: automatic_ = false; break;
    }
    scheduleNext();
}

void UpdateChecker::scheduleNext() {
    if (!automatic_ || checking_) {
        timer_.stop();
        return;
    }
    const qint64 last = SettingsFile::usable(config_.settingsPath)
                            ? openSettings(config_.settingsPath).value(lastCheckKey, 0).toLongLong()
                            : 0;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    const qint64 due = last + intervalSeconds_;
    // Never sooner than a few seconds after start, never later than one interval from now (a
    // clock set back must not stop the checks).
    const qint64 wait = std::clamp<qint64>(due - now, 5, intervalSeconds_);
    timer_.start(std::chrono::seconds(wait));
}

void UpdateChecker::checkNow() {
    if (!configured_ || checking_) {
        return;
    }
    checking_ = true;
    timer_.stop();
    QNetworkReply* reply = network_.get(requestFor(config_.feedUrl, config_.timeoutMs));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        QString error;
        if (std::optional<QByteArray> feed = bodyOf(reply, &error)) {
            fetchSignature(*feed);
        } else {
            fail(QStringLiteral("the update feed cannot be read: ") + error);
        }
    });
}

void UpdateChecker::fetchSignature(const QByteArray& feed) {
    QNetworkReply* reply =
        network_.get(requestFor(config_.feedUrl + QStringLiteral(".sig"), config_.timeoutMs));
    connect(reply, &QNetworkReply::finished, this, [this, reply, feed] {
        reply->deleteLater();
        QString error;
        if (std::optional<QByteArray> signature = bodyOf(reply, &error)) {
            conclude(feed, *signature);
        } else {
            fail(QStringLiteral("the update feed's signature cannot be read: ") + error);
        }
    });
}

void UpdateChecker::conclude(const QByteArray& feed, const QByteArray& signature) {
    if (!FeedSignature::verify(feed, signature, config_.publicKey)) {
        fail(QStringLiteral("the update feed's signature does not match; the feed was ignored"));
        return;
    }
    QString error;
    const std::optional<std::vector<AppcastItem>> items = Appcast::parse(feed, &error);
    if (!items) {
        fail(error);
        return;
    }
    if (SettingsFile::usable(config_.settingsPath)) {
        openSettings(config_.settingsPath).setValue(lastCheckKey, QDateTime::currentSecsSinceEpoch());
    }
    const std::optional<AppcastItem> update =
        Appcast::newestUpdate(*items, config_.currentVersion, skippedVersion());
    checking_ = false;
    setAvailable(update);
    UpdateCheckResult result;
    result.outcome = update ? UpdateCheckResult::Outcome::found : UpdateCheckResult::Outcome::notFound;
    result.update = update;
    appLog(update ? "[Keyvane] Update available: " + update->displayVersion.toStdString()
                  : std::string("[Keyvane] No update available"));
    scheduleNext();
    emit checkFinished(result);
}

void UpdateChecker::fail(const QString& reason) {
    checking_ = false;
    appLog("[Keyvane] Update check failed: " + reason.toStdString());
    scheduleNext();
    UpdateCheckResult result;
    result.outcome = UpdateCheckResult::Outcome::failed;
    result.error = reason;
    emit checkFinished(result);
}

void UpdateChecker::setAvailable(const std::optional<AppcastItem>& update) {
    const bool same = update.has_value() == available_.has_value() &&
                      (!update || update->displayVersion == available_->displayVersion);
    available_ = update;
    if (!same) {
        emit availabilityChanged();
    }
}

void UpdateChecker::skipVersion(const QString& version) {
    UserPreferences preferences = UserPreferences::load(config_.preferencesPath);
    preferences.skippedUpdateVersion = version.toStdString();
    if (!UserPreferences::save(preferences, config_.preferencesPath)) {
        return; // not remembered: keep offering it
    }
    if (available_ && Appcast::compareVersions(available_->version, version) == 0) {
        setAvailable(std::nullopt);
    }
}

QString UpdateChecker::skippedVersion() const {
    return QString::fromStdString(
        UserPreferences::load(config_.preferencesPath).skippedUpdateVersion.value_or(""));
}

} // namespace keyvane
