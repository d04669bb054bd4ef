// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/services/FeedbackClient.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/usage/Usage.h"

#include <QJsonDocument>
#include <QLocale>
#include <QNetworkReply>
#include <QSysInfo>
#include <QTextBoundaryFinder>

namespace keyvane {

namespace {

// The first `count` user-perceived characters of `text` (a letter with its accents is one).
QString firstCharacters(const QString& text, int count) {
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    for (qsizetype at = boundaries.toNextBoundary(); at != -1; at = boundaries.toNextBoundary()) {
        if (++seen == count) {
            return text.left(at);
        }
    }
    return text;
}

// The last `count` user-perceived characters of `text`.
QString lastCharacters(const QString& text, int count) {
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    boundaries.toEnd();
    int seen = 0;
    for (qsizetype at = boundaries.toPreviousBoundary(); at != -1; at = boundaries.toPreviousBoundary()) {
        if (++seen == count) {
            return text.mid(at);
        }
    }
    return text;
}

} // namespace

const char* toString(FeedbackType type) {
    switch (type) {
    case FeedbackType::bug: return "bug";
    case FeedbackType::idea: return "idea";
    case FeedbackType::other: return "other";
    }
    return "other";
}

QString FeedbackError::description() const {
    switch (kind) {
    case Kind::server:
        return QString::fromStdString(L10n::format("feedback.error.server", std::to_string(statusCode)));
    case Kind::network:
        return QString::fromStdString(L10n::format("feedback.error.network", message.toStdString()));
    case Kind::emptyMessage: return QString::fromStdString(L10n::t("feedback.error.empty"));
    case Kind::rateLimited: return QString::fromStdString(L10n::t("feedback.error.rate_limited"));
    case Kind::unconfigured: return QString::fromStdString(L10n::t("feedback.error.unconfigured"));
    }
    return {};
}

FeedbackClient::Config FeedbackClient::fromBuild() {
    Config config;
    config.endpoint = endpointOn(QStringLiteral(KEYVANE_FEEDBACK_HOST));
    config.appVersion = QString::fromStdString(Usage::version());
    config.buildNumber = QString::fromStdString(Usage::build());
    return config;
}

QString FeedbackClient::endpointOn(const QString& host) {
    QString base = host.trimmed();
    while (base.endsWith('/')) {
        base.chop(1);
    }
    return base.isEmpty() ? QString() : base + QStringLiteral("/api/keyvane/feedback");
}

FeedbackClient::FeedbackClient(Config config, QObject* parent)
    : QObject(parent)
    , config_(std::move(config)) {}

std::optional<QJsonObject> FeedbackClient::payload(FeedbackType type, const QString& message,
                                                   const QString& contactEmail,
                                                   const std::optional<QString>& crashLog,
                                                   const Config& config) {
    const QString trimmed = message.trimmed();
    if (trimmed.isEmpty()) {
        return std::nullopt;
    }
    QJsonObject body;
    body.insert(QStringLiteral("type"), QString::fromLatin1(toString(type)));
    body.insert(QStringLiteral("message"), firstCharacters(trimmed, maxMessageCharacters));
    if (const QString email = contactEmail.trimmed(); !email.isEmpty()) {
        body.insert(QStringLiteral("contactEmail"), email);
    }
    const QString version = config.appVersion.isEmpty() ? QStringLiteral("0.0.0") : config.appVersion;
    body.insert(QStringLiteral("appVersion"), version);
    bool isNumber = false;
    const qlonglong build = config.buildNumber.trimmed().toLongLong(&isNumber, 10);
    if (isNumber) {
        body.insert(QStringLiteral("buildNumber"), build);
    }
    body.insert(QStringLiteral("osVersion"), QSysInfo::prettyProductName());
    body.insert(QStringLiteral("arch"), QSysInfo::buildCpuArchitecture());
    body.insert(QStringLiteral("locale"), QLocale::system().name());
    if (crashLog && !crashLog->isEmpty()) {
        body.insert(QStringLiteral("crashLog"), lastCharacters(*crashLog, maxCrashLogCharacters));
    }
    return body;
}

void FeedbackClient::submit(FeedbackType type, const QString& message, const QString& contactEmail,
                            const std::optional<QString>& crashLog, Completion done) {
    const std::optional<QJsonObject> body = payload(type, message, contactEmail, crashLog, config_);
    if (!body) {
        done(FeedbackError{FeedbackError::Kind::emptyMessage, 0, {}});
        return;
    }
    if (!isConfigured()) {
        done(FeedbackError{FeedbackError::Kind::unconfigured, 0, {}});
        return;
    }
    QNetworkRequest request{QUrl(config_.endpoint)};
    request.setTransferTimeout(config_.timeoutMs);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setRawHeader("User-Agent",
                         "Keyvane/" + body->value(QStringLiteral("appVersion")).toString().toUtf8());
    QNetworkReply* reply = network_.post(request, QJsonDocument(*body).toJson(QJsonDocument::Compact));
    const std::string typeName = toString(type);
    connect(reply, &QNetworkReply::finished, this, [reply, done, typeName] {
        reply->deleteLater();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) { // no HTTP answer at all: refused, unreachable, timed out
            done(FeedbackError{FeedbackError::Kind::network, 0,
                               reply->error() != QNetworkReply::NoError
                                   ? reply->errorString()
                                   : QStringLiteral("unexpected response")});
            return;
        }
        const int code = status.toInt();
        if (code >= 200 && code <= 299) {
            appLog("[Keyvane] feedback submitted (type=" + typeName + ", HTTP " + std::to_string(code) + ")");
            done(std::nullopt);
        } else if (code == 429) {
            done(FeedbackError{FeedbackError::Kind::rateLimited, code, {}});
        } else {
            done(FeedbackError{FeedbackError::Kind::server, code, {}});
        }
    });
}

} // namespace keyvane
