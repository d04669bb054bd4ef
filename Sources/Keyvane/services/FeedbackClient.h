// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

namespace keyvane {

enum class FeedbackType { bug, idea, other };
const char* toString(FeedbackType type);

// Why feedback was not sent; `description()` is the text the Feedback tab shows.
struct FeedbackError {
    enum class Kind { server, network, emptyMessage, rateLimited, unconfigured };
    Kind kind = Kind::network;
    int statusCode = 0; // server
    QString message;    // network
    QString description() const;
};

// Sends one remark from the Feedback tab to the feedback service: the type, the message, the
// e-mail when given, the crash log only when the user ticked it, and the program's version, the
// system, the architecture and the locale. Nothing typed, no logs otherwise. No retries, no queue:
// every outcome goes back to the caller.
class FeedbackClient : public QObject {
    Q_OBJECT

public:
    struct Config {
        QString endpoint; // empty in a build without a feedback service
        QString appVersion;
        QString buildNumber;
        int timeoutMs = 15000;
    };
    static constexpr int maxMessageCharacters = 4000;
    static constexpr int maxCrashLogCharacters = 20000;

    // The service set when the program was built: "/api/keyvane/feedback" on its host.
    static Config fromBuild();
    static QString endpointOn(const QString& host);

    explicit FeedbackClient(Config config, QObject* parent = nullptr);
    bool isConfigured() const { return !config_.endpoint.isEmpty(); }

    // The request body; nothing when the message is blank.
    static std::optional<QJsonObject> payload(FeedbackType type, const QString& message,
                                              const QString& contactEmail,
                                              const std::optional<QString>& crashLog, const Config& config);

    using Completion = std::function<void(std::optional<FeedbackError>)>;
    // Calls `done` once, from the event loop (or at once when nothing is sent): no error on success.
    void submit(FeedbackType type, const QString& message, const QString& contactEmail,
                const std::optional<QString>& crashLog, Completion done);

private:
    Config config_;
    QNetworkAccessManager network_;
};

} // namespace keyvane
