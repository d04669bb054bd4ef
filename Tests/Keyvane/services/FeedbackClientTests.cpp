// SPDX-License-Identifier: GPL-3.0-or-later
// Feedback sent to a service on 127.0.0.1: what goes out, and what each answer becomes.

#include "Keyvane/app/L10n.h"
#include "Keyvane/services/FeedbackClient.h"
#include "LocalHttpServer.h"

#include <QJsonDocument>
#include <QTest>
#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::LocalHttpServer;

namespace {

class Feedback : public ::testing::Test {
protected:
    Feedback() {
        L10n::setLanguage("en");
        config_.endpoint = FeedbackClient::endpointOn(server_.url(""));
        config_.appVersion = "0.1.0";
        config_.timeoutMs = 5000;
        server_.serve("/api/keyvane/feedback", {201, "{}"});
    }

    // Sends one remark and waits for its outcome.
    std::optional<FeedbackError> send(const QString& message, const QString& email = {},
                                      const std::optional<QString>& crashLog = std::nullopt) {
        FeedbackClient client(config_);
        bool finished = false;
        std::optional<FeedbackError> outcome;
        client.submit(FeedbackType::bug, message, email, crashLog, [&](std::optional<FeedbackError> error) {
            outcome = error;
            finished = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
        return outcome;
    }
    QJsonObject lastBody() const { return QJsonDocument::fromJson(server_.requests().back().body).object(); }

    LocalHttpServer server_;
    FeedbackClient::Config config_;
};

} // namespace

TEST_F(Feedback, SendsTheRemarkWithTheProgramsVersionAndNothingElse) {
    EXPECT_FALSE(send("  The word \"руддщ\" was left alone.\n\n", " me@example.org ").has_value());
    ASSERT_EQ(server_.requests().size(), 1u);
    const LocalHttpServer::Request& request = server_.requests().front();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/api/keyvane/feedback");
    EXPECT_EQ(request.headers.value("content-type"), "application/json");
    EXPECT_EQ(request.headers.value("user-agent"), "Keyvane/0.1.0");
    const QJsonObject body = lastBody();
    EXPECT_EQ(body.value("type").toString(), "bug");
    EXPECT_EQ(body.value("message").toString(), QString::fromUtf8("The word \"руддщ\" was left alone."));
    EXPECT_EQ(body.value("contactEmail").toString(), "me@example.org");
    EXPECT_EQ(body.value("appVersion").toString(), "0.1.0");
    EXPECT_FALSE(body.value("osVersion").toString().isEmpty());
    EXPECT_FALSE(body.value("arch").toString().isEmpty());
    EXPECT_FALSE(body.value("locale").toString().isEmpty());
    EXPECT_EQ(body.size(), 7) << "no build number and no crash log";
}

TEST_F(Feedback, ALongMessageIsCutAtFourThousandCharactersAndABlankEmailIsLeftOut) {
    // 5000 characters of two code points each (a letter and a combining accent).
    QString message;
    for (int i = 0; i < 5000; ++i) {
        message += QString::fromUtf8("е\u0301");
    }
    config_.appVersion.clear();
    config_.buildNumber = "27";
    EXPECT_FALSE(send(message, "   ").has_value());
    const QJsonObject body = lastBody();
    EXPECT_EQ(body.value("message").toString().size(), 8000);
    EXPECT_FALSE(body.contains("contactEmail"));
    EXPECT_EQ(body.value("appVersion").toString(), "0.0.0");
    EXPECT_EQ(server_.requests().back().headers.value("user-agent"), "Keyvane/0.0.0");
    EXPECT_EQ(body.value("buildNumber").toInteger(), 27);
}

TEST_F(Feedback, TheCrashLogGoesOnlyWhenAskedAndOnlyItsEnd) {
    QString log = QString(30000, 'a') + "the last record";
    EXPECT_FALSE(send("It crashed.", {}, log).has_value());
    const QString sent = lastBody().value("crashLog").toString();
    EXPECT_EQ(sent.size(), FeedbackClient::maxCrashLogCharacters);
    EXPECT_TRUE(sent.endsWith("the last record"));
}

TEST_F(Feedback, EachFailureOfTheServiceIsReportedWithItsOwnText) {
    config_.timeoutMs = 300;
    using Kind = FeedbackError::Kind;
    struct Failure {
        LocalHttpServer::Response answer;
        Kind kind;
        QString text;
    };
    for (const Failure& failure : std::vector<Failure>{
             {{429, "slow down"}, Kind::rateLimited, "Too many submissions. Please try again later."},
             {{500, "broken"}, Kind::server, "The server rejected the request (HTTP 500)."},
             {{302, ""}, Kind::server, "The server rejected the request (HTTP 302)."},
             {{200, {}, true}, Kind::network, "Could not send feedback: "}, // times out
         }) {
        server_.serve("/api/keyvane/feedback", failure.answer);
        const std::optional<FeedbackError> error = send("hello");
        ASSERT_TRUE(error.has_value()) << failure.text.toStdString();
        EXPECT_EQ(error->kind, failure.kind) << failure.text.toStdString();
        EXPECT_TRUE(error->description().startsWith(failure.text)) << error->description().toStdString();
    }
}
