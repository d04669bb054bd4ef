// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/services/Appcast.h"
#include "KeyvaneCore/UserPreferences.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

namespace keyvane {

// What one check came to.
struct UpdateCheckResult {
    enum class Outcome { found, notFound, failed };
    Outcome outcome = Outcome::notFound;
    std::optional<AppcastItem> update; // when found
    QString error;                     // when failed, for the settings window
};

// Looks for a newer version in the update feed the program was built with, on the schedule of the
// user's update-check frequency or when asked. The feed is believed only when its detached
// signature (the feed's address with ".sig" appended) checks out against the built-in key. It only
// tells: installing is left to the package manager or the download page. A build without a feed
// and a key checks nothing and says so in the log.
class UpdateChecker : public QObject {
    Q_OBJECT

public:
    struct Config {
        QString feedUrl;
        QByteArray publicKey; // Ed25519, base64
        QString currentVersion;
        std::string settingsPath;    // the time of the last check is kept there
        std::string preferencesPath; // the user preferences, which keep the skipped version
        int timeoutMs = 30000;
    };
    // The feed and key set when the program was built (none in a development build).
    static Config fromBuild();

    explicit UpdateChecker(Config config, QObject* parent = nullptr);

    bool isConfigured() const { return configured_; }
    // Hourly or daily: automatic checks at that interval (the first when the last one, even from an
    // earlier run, is that old); at start-up: one check now, no automatic ones; never: none.
    void applyPolicy(UpdateCheckFrequency frequency);
    bool automaticChecks() const { return automatic_; }
    int intervalSeconds() const { return intervalSeconds_; }
    // A check now (the settings window's "Check Now"); ignored while one is under way.
    void checkNow();

    // The newest version found that is newer than this one and not skipped.
    const std::optional<AppcastItem>& availableUpdate() const { return available_; }
    void skipVersion(const QString& version);
    QString skippedVersion() const;

signals:
    // The available update appeared, changed version or went away.
    void availabilityChanged();
    void checkFinished(const keyvane::UpdateCheckResult& result);

private:
    void fetchSignature(const QByteArray& feed);
    void conclude(const QByteArray& feed, const QByteArray& signature);
    void fail(const QString& reason);
    void setAvailable(const std::optional<AppcastItem>& update);
    void scheduleNext();

    Config config_;
    bool configured_ = false;
    QNetworkAccessManager network_;
    QTimer timer_;
    bool automatic_ = false;
    int intervalSeconds_ = 86400;
    bool checking_ = false;
    std::optional<AppcastItem> available_;
};

} // namespace keyvane
