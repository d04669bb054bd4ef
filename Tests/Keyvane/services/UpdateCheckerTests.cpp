// SPDX-License-Identifier: GPL-3.0-or-later
// Update checks against a feed served on 127.0.0.1 and signed with a key made for the test.

#include "../../TempHome.h"
#include "Keyvane/services/Appcast.h"
#include "Keyvane/services/FeedSignature.h"
#include "Keyvane/services/UpdateChecker.h"
#include "LocalHttpServer.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <sodium.h>

using namespace keyvane;
using keyvane::testing::LocalHttpServer;
using keyvane::testing::TempHome;

namespace {

QByteArray feedOf(const std::vector<QString>& versions) {
    QByteArray feed = "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" "
                      "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
                      "<title>Keyvane</title>";
    for (const QString& version : versions) {
        feed += "<item><title>Keyvane " + version.toUtf8() + "</title><sparkle:version>" + version.toUtf8() +
                "</sparkle:version><sparkle:releaseNotesLink>https://example.org/notes/" + version.toUtf8() +
                "</sparkle:releaseNotesLink><link>https://example.org/download/" + version.toUtf8() +
                "</link></item>";
    }
    return feed + "</channel></rss>\n";
}

class UpdateChecks : public ::testing::Test {
protected:
    UpdateChecks() {
        ::crypto_sign_keypair(publicKey_, secretKey_);
        config_.feedUrl = server_.url("/appcast.xml");
        config_.publicKey =
            QByteArray(reinterpret_cast<const char*>(publicKey_), sizeof publicKey_).toBase64();
        config_.currentVersion = "0.1.0";
        config_.settingsPath = home_.path() + "/Keyvane.conf";
        config_.preferencesPath = home_.path() + "/user_preferences.json";
        config_.timeoutMs = 5000;
    }

    QByteArray sign(const QByteArray& data) const {
        unsigned char signature[crypto_sign_BYTES];
        ::crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(data.constData()),
                               static_cast<unsigned long long>(data.size()), secretKey_);
        return QByteArray(reinterpret_cast<const char*>(signature), sizeof signature).toBase64() + "\n";
    }
    void publish(const QByteArray& feed) { publish(feed, sign(feed)); }
    void publish(const QByteArray& feed, const QByteArray& signature) {
        server_.serve("/appcast.xml", {200, feed});
        server_.serve("/appcast.xml.sig", {200, signature});
    }
    // One check, to its end.
    UpdateCheckResult check(UpdateChecker& checker) {
        QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
        checker.checkNow();
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() > 0; }, 10000));
        return finished.count() > 0 ? finished.front().front().value<UpdateCheckResult>()
                                    : UpdateCheckResult{};
    }

    TempHome home_;
    LocalHttpServer server_;
    unsigned char publicKey_[crypto_sign_PUBLICKEYBYTES];
    unsigned char secretKey_[crypto_sign_SECRETKEYBYTES];
    UpdateChecker::Config config_;
};

} // namespace

TEST_F(UpdateChecks, OnlyASignatureAndAKeyOfTheirExactSizeAreBelieved) {
    const QByteArray feed = "<rss>the feed</rss>";
    const QByteArray signature = QByteArray::fromBase64(sign(feed));
    const QByteArray key = QByteArray::fromBase64(config_.publicKey);
    EXPECT_TRUE(FeedSignature::verify(feed, signature.toBase64(), key.toBase64()));
    // The right bytes with more after them, or cut short, are refused, never read in part.
    EXPECT_FALSE(FeedSignature::verify(feed, (signature + "x").toBase64(), key.toBase64()));
    EXPECT_FALSE(FeedSignature::verify(feed, signature.chopped(1).toBase64(), key.toBase64()));
    EXPECT_FALSE(FeedSignature::verify(feed, signature.toBase64(), (key + "x").toBase64()));
    EXPECT_FALSE(FeedSignature::verify(feed, signature.toBase64() + "!", key.toBase64()));
}

TEST(Appcast, VersionsCompareAsPeopleReadThem) {
    EXPECT_GT(Appcast::compareVersions("1.10", "1.9"), 0);
    EXPECT_EQ(Appcast::compareVersions("1.0", "1.0.0"), 0);
    EXPECT_LT(Appcast::compareVersions("1.2-beta1", "1.2"), 0);
    EXPECT_GT(Appcast::compareVersions("1.2-beta2", "1.2-beta1"), 0);
    EXPECT_LT(Appcast::compareVersions("0.1.0", "0.2"), 0);
    EXPECT_GT(Appcast::compareVersions("2", "1.99.99"), 0);
}

TEST(Appcast, ItemsWithoutAVersionAreLeftOutAndTheEnclosureGivesWhatIsMissing) {
    const QByteArray feed =
        "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
        "<item><title>no version</title><link>https://example.org/x</link></item>"
        "<item><enclosure url=\"https://example.org/keyvane_0.3.0_amd64.deb\" sparkle:version=\"0.3.0\" "
        "sparkle:shortVersionString=\"0.3\"/></item></channel></rss>";
    const auto items = Appcast::parse(feed);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 1u);
    EXPECT_EQ((*items)[0].version, "0.3.0");
    EXPECT_EQ((*items)[0].displayVersion, "0.3");
    EXPECT_EQ((*items)[0].downloadUrl, "https://example.org/keyvane_0.3.0_amd64.deb");
    EXPECT_FALSE(Appcast::parse("<html><body>Not found</body></html>").has_value()) << "no feed at all";
}

TEST_F(UpdateChecks, TheNewestSignedVersionIsFoundAndAnnouncedOnceUntilItGoesAway) {
    UpdateChecker checker(config_);
    ASSERT_TRUE(checker.isConfigured());
    QSignalSpy changes(&checker, &UpdateChecker::availabilityChanged);
    publish(feedOf({"0.1.0", "0.9.0", "0.10.0", "0.0.5"}));
    UpdateCheckResult result = check(checker);
    ASSERT_EQ(result.outcome, UpdateCheckResult::Outcome::found) << result.error.toStdString();
    ASSERT_TRUE(checker.availableUpdate().has_value());
    EXPECT_EQ(checker.availableUpdate()->displayVersion, "0.10.0");
    EXPECT_EQ(checker.availableUpdate()->downloadUrl, "https://example.org/download/0.10.0");
    EXPECT_EQ(checker.availableUpdate()->releaseNotesUrl, "https://example.org/notes/0.10.0");
    EXPECT_EQ(changes.count(), 1);

    check(checker); // the same version again
    EXPECT_EQ(changes.count(), 1);

    publish(feedOf({"0.1.0"}));
    result = check(checker);
    EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::notFound);
    EXPECT_FALSE(checker.availableUpdate().has_value());
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(UpdateChecks, AForgedMalformedOrUnansweredFeedFailsWithAReasonAndOffersNothing) {
    config_.timeoutMs = 300;
    UpdateChecker checker(config_);
    const QByteArray genuine = feedOf({"0.2.0"});
    QByteArray forged = genuine;
    forged.replace("0.2.0", "9.9.9");
    const QByteArray malformed = "<rss><channel><item><sparkle:version>";
    struct Failure {
        LocalHttpServer::Response feed, signature;
        QString reason;
    };
    for (const Failure& failure : std::vector<Failure>{
             {{200, forged}, {200, sign(genuine)}, "signature"},
             {{200, genuine}, {200, "not base64 at all"}, "signature"},
             {{200, genuine}, {404, "missing"}, "signature cannot be read"},
             {{200, malformed}, {200, sign(malformed)}, "not well-formed"},
             {{500, "oops"}, {200, sign("oops")}, "HTTP 500"},
             {{200, {}, true}, {200, {}}, "feed cannot be read"}, // a server that never answers
         }) {
        server_.serve("/appcast.xml", failure.feed);
        server_.serve("/appcast.xml.sig", failure.signature);
        const UpdateCheckResult result = check(checker);
        EXPECT_EQ(result.outcome, UpdateCheckResult::Outcome::failed) << failure.reason.toStdString();
        EXPECT_NE(result.error.indexOf(failure.reason), -1) << result.error.toStdString();
        EXPECT_FALSE(checker.availableUpdate().has_value());
    }
}

TEST_F(UpdateChecks, ASkippedVersionIsNotOfferedButANewerOneIs) {
    UpdateChecker checker(config_);
    publish(feedOf({"0.2.0"}));
    check(checker);
    ASSERT_TRUE(checker.availableUpdate().has_value());
    checker.skipVersion("0.2.0");
    EXPECT_FALSE(checker.availableUpdate().has_value());

    UpdateChecker later(config_); // the choice outlives the run
    EXPECT_EQ(check(later).outcome, UpdateCheckResult::Outcome::notFound);
    publish(feedOf({"0.2.0", "0.3.0"}));
    check(later);
    ASSERT_TRUE(later.availableUpdate().has_value());
    EXPECT_EQ(later.availableUpdate()->version, "0.3.0");
}

TEST_F(UpdateChecks, TheFrequencySetsTheScheduleAndAStartupCheckHappensEachTime) {
    publish(feedOf({"0.1.0"}));
    UpdateChecker checker(config_);
    checker.applyPolicy(UpdateCheckFrequency::hourly);
    EXPECT_TRUE(checker.automaticChecks());
    EXPECT_EQ(checker.intervalSeconds(), 3600);
    checker.applyPolicy(UpdateCheckFrequency::never);
    EXPECT_FALSE(checker.automaticChecks());
    EXPECT_EQ(checker.intervalSeconds(), 3600);
    EXPECT_TRUE(server_.requests().empty());

    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    checker.applyPolicy(UpdateCheckFrequency::atStartup);
    EXPECT_FALSE(checker.automaticChecks());
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 10000));
    checker.applyPolicy(UpdateCheckFrequency::atStartup);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, 10000));
}

TEST_F(UpdateChecks, ABuildWithoutAFeedOrAKeyChecksNothing) {
    UpdateChecker::Config noFeed = config_;
    noFeed.feedUrl = "  \n";
    EXPECT_FALSE(UpdateChecker(noFeed).isConfigured());
    UpdateChecker::Config noKey = config_;
    noKey.publicKey = " ";
    UpdateChecker checker(noKey);
    EXPECT_FALSE(checker.isConfigured());
    checker.applyPolicy(UpdateCheckFrequency::atStartup);
    checker.checkNow();
    QTest::qWait(50); // time for a request to arrive, were one sent
    EXPECT_TRUE(server_.requests().empty());
}
