// SPDX-License-Identifier: GPL-3.0-or-later
// The settings window's controls, used as a user would (clicks and selections), with the
// coordinator on the in-memory desktop behind them.

#include "../LiveDesktop.h"
#include "../services/LocalHttpServer.h"
#include "Keyvane/app/L10n.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/services/FeedbackClient.h"
#include "Keyvane/shortcuts/HotkeyManager.h"
#include "Keyvane/ui/SettingsWindow.h"
#include "Keyvane/ui/ShortcutRecorder.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace keyvane;
using keyvane::testing::LocalHttpServer;
using keyvane::testing::TempHome;

namespace {

UserPreferences saved() {
    return UserPreferences::load(UserPreferences::defaultPath());
}

template <class T> T* find(QWidget& window, const QString& text) {
    for (T* widget : window.findChildren<T*>()) {
        if (widget->text() == text) {
            return widget;
        }
    }
    return nullptr;
}

struct Window : keyvane::testing::LiveDesktop {
    std::unique_ptr<HotkeyManager> hotkeys;
    FeedbackClient::Config feedbackConfig;
    std::unique_ptr<FeedbackClient> feedback;
    std::unique_ptr<SettingsWindow> window;
    std::optional<std::pair<std::string, std::string>> update; // as the update checker knows it
    std::vector<std::string> skipped;
    int reloads = 0;
    int policyChanges = 0;
    int languageChanges = 0;
    int closes = 0;

    explicit Window(const std::string& preferences = R"({"active_languages": ["en", "ru", "uk"]})",
                    const QString& feedbackEndpoint = {}, bool updatesConfigured = true)
        : LiveDesktop(preferences) {
        L10n::setLanguage("en");
        hotkeys = std::make_unique<HotkeyManager>(platform);
        hotkeys->loadSettings();
        hotkeys->registerCallbacks([] {}, [] {}, [](const std::string&) {});
        feedbackConfig.endpoint = feedbackEndpoint;
        feedbackConfig.appVersion = "0.1.0";
        feedback = std::make_unique<FeedbackClient>(feedbackConfig);
        SettingsCallbacks callbacks;
        callbacks.reloadConfig = [this] {
            ++reloads;
            app->reloadConfig();
        };
        callbacks.updatePolicyChanged = [this] { ++policyChanges; };
        callbacks.interfaceLanguageChanged = [this] { ++languageChanges; };
        callbacks.closed = [this] { ++closes; };
        callbacks.updatesConfigured = updatesConfigured;
        callbacks.availableUpdate = [this] { return update; };
        callbacks.learningMode = [this] { return app->learningMode(); };
        callbacks.setLearningMode = [this](bool on) { app->setLearningMode(on); };
        callbacks.skipVersion = [this](const std::string& version) {
            skipped.push_back(version);
            update.reset();
        };
        window = std::make_unique<SettingsWindow>(platform, *hotkeys, *feedback, callbacks);
        window->present();
    }
    ~Window() { L10n::setLanguage("en"); }
    void showTab(const std::string& key) {
        QTabWidget* tabs = window->findChild<QTabWidget*>();
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->tabText(i).toStdString() == L10n::t(key)) {
                tabs->setCurrentIndex(i);
            }
        }
    }
    template <class T> T* named(const char* name) { return window->findChild<T*>(QString::fromLatin1(name)); }
    template <class T> T* saying(const char* key) {
        return find<T>(*window, QString::fromStdString(L10n::t(key)));
    }
};

} // namespace

TEST(SettingsWindow, MovingALanguageUpIsSavedAndUsedByTheNextCorrection) {
    Window w;
    w.showTab("settings.tab.languages");
    QTableWidget* languages = w.named<QTableWidget>("languages");
    ASSERT_NE(languages, nullptr);
    ASSERT_EQ(languages->rowCount(), 3);
    EXPECT_EQ(languages->item(2, 0)->text(), "Українська (uk)");
    QPushButton* up = w.named<QPushButton>("moveUp");
    languages->selectRow(0);
    EXPECT_FALSE(up->isEnabled()) << "English never moves";
    languages->selectRow(2);
    ASSERT_TRUE(up->isEnabled());
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(saved().activeLanguages, (std::vector<std::string>{"en", "uk", "ru"}));
    EXPECT_EQ(w.app->rulesEngine().config().activeLanguages,
              (std::vector<Language>{Language::en, Language::uk, Language::ru}));
    EXPECT_EQ(languages->item(1, 0)->text(), "Українська (uk)");
    EXPECT_EQ(languages->currentRow(), 1) << "the moved language stays selected";
    EXPECT_FALSE(up->isEnabled()) << "nothing goes above English";
}

TEST(SettingsWindow, UntickingAutomaticUpdatesStoresNeverAndTellsTheChecker) {
    Window w(R"({"update_check_frequency": "1h"})");
    QCheckBox* automatic = w.saying<QCheckBox>("general.updates.auto");
    ASSERT_NE(automatic, nullptr);
    EXPECT_TRUE(automatic->isChecked());
    const QPoint box(8, automatic->height() / 2); // on the check box itself
    QTest::mouseClick(automatic, Qt::LeftButton, {}, box);
    EXPECT_EQ(saved().updateCheckFrequency, UpdateCheckFrequency::never);
    EXPECT_EQ(w.policyChanges, 1);
    QTest::mouseClick(automatic, Qt::LeftButton, {}, box);
    EXPECT_EQ(saved().updateCheckFrequency, UpdateCheckFrequency::daily);
}

TEST(SettingsWindow, TheInterfaceLanguageChangesTheWindowWhoseSwitchesStillShowAndChangeWhatIsOn) {
    Window w(R"({"launch_at_login": true})");
    ASSERT_TRUE(w.app->learningMode());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.window.get())); // no activation will refresh the new tabs
    QComboBox* language = w.named<QComboBox>("interfaceLanguage");
    ASSERT_NE(language, nullptr);
    language->setCurrentIndex(language->findData("uk"));
    emit language->activated(language->currentIndex());
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.window->windowTitle() == "Налаштування Keyvane"; }));
    EXPECT_EQ(saved().uiLanguage, "uk");
    EXPECT_EQ(w.languageChanges, 1);
    EXPECT_EQ(w.window->findChild<QTabWidget*>()->tabText(0), "Загальні");
    // The tabs made anew show what is on, as before, and switch it.
    auto* launch = w.named<QCheckBox>("launchAtLogin");
    auto* learning = w.named<QCheckBox>("learningMode");
    EXPECT_TRUE(launch->isChecked());
    EXPECT_TRUE(learning->isChecked());
    launch->click();
    EXPECT_FALSE(saved().launchAtLogin);
    learning->click();
    EXPECT_FALSE(w.app->learningMode());
    w.app->setLearningMode(true); // from the menu
    w.window->present();
    EXPECT_TRUE(learning->isChecked());
}

TEST(SettingsWindow, ClosingItTellsItsOwnerWhichLetsItGo) {
    Window w;
    w.window->close();
    EXPECT_EQ(w.closes, 1);
    w.window.reset(); // as the program does, to give the memory of its widgets back
}

TEST(SettingsWindow, ABuildWithoutUpdateChecksOrAFeedbackServiceSaysSo) {
    Window w(R"({"update_check_frequency": "1h"})", {}, /*updatesConfigured=*/false);
    QCheckBox* automatic = w.saying<QCheckBox>("general.updates.auto");
    ASSERT_NE(automatic, nullptr);
    EXPECT_FALSE(automatic->isEnabled());
    EXPECT_FALSE(automatic->isChecked());
    EXPECT_FALSE(w.saying<QPushButton>("feedback.submit")->isEnabled());
    EXPECT_NE(w.saying<QLabel>("feedback.error.unconfigured"), nullptr);
}

TEST(SettingsWindow, AnExcludedApplicationIsRemovedAndCorrectedAgain) {
    Window w(R"({"active_languages": ["en", "ru", "uk"],
                 "excluded_apps": {"org.example.editor": {"name": "Editor"}, "org.example.b": {"name": "b"}}})");
    w.showTab("settings.tab.apps");
    QTableWidget* apps = w.named<QTableWidget>("excludedApps");
    ASSERT_EQ(apps->rowCount(), 2);
    EXPECT_EQ(apps->item(0, 0)->text(), "b") << "sorted by name, ignoring case";
    apps->selectRow(1);
    QTest::mouseClick(w.named<QPushButton>("removeApp"), Qt::LeftButton);
    EXPECT_EQ(apps->rowCount(), 1);
    EXPECT_EQ(saved().excludedApps.count("org.example.editor"), 0u);
    EXPECT_EQ(w.reloads, 1);
    EXPECT_TRUE(w.corrects()) << "the application in front is corrected again";
}

TEST(SettingsWindow, FeedbackSaysWhatHappenedAndKeepsAMessageThatFailed) {
    LocalHttpServer server;
    Window w(R"({})", FeedbackClient::endpointOn(server.url("")));
    w.showTab("settings.tab.feedback");
    QPlainTextEdit* message = w.named<QPlainTextEdit>("feedbackMessage");
    QPushButton* send = w.saying<QPushButton>("feedback.submit");
    auto status = [&] { // which of the three the window says
        for (const char* key : {"feedback.status.empty", "feedback.status.thanks", "feedback.error.server"}) {
            if (find<QLabel>(*w.window, QString::fromStdString(L10n::t(key)).replace("%d", "500"))) {
                return std::string(key);
            }
        }
        return std::string();
    };
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(status(), "feedback.status.empty");
    EXPECT_TRUE(server.requests().empty());

    server.serve("/api/keyvane/feedback", {500, "no"});
    message->setPlainText("The word was left alone.");
    QTest::mouseClick(send, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status() == "feedback.error.server"; }, 10000));
    EXPECT_EQ(message->toPlainText(), "The word was left alone.");
    EXPECT_TRUE(send->isEnabled());

    server.serve("/api/keyvane/feedback", {200, "{}"});
    QTest::mouseClick(send, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return status() == "feedback.status.thanks"; }, 10000));
    EXPECT_TRUE(message->toPlainText().isEmpty());
}

TEST(SettingsWindow, TheLastCrashIsOfferedWithFeedbackAndSentOnlyWhenTicked) {
    LocalHttpServer server;
    server.serve("/api/keyvane/feedback", {200, "{}"});
    Window w(R"({})", FeedbackClient::endpointOn(server.url("")));
    w.home.write(".local/share/keyvane/crash.log",
                 "====\n[2026-12-08T04:39:56Z] Keyvane 0.1.0 (?) — fatal signal\n");
    auto* crashLog = w.named<QCheckBox>("includeCrashLog");
    auto* message = w.named<QPlainTextEdit>("feedbackMessage");
    QPushButton* send = w.saying<QPushButton>("feedback.submit");

    w.window->presentFeedbackWithCrashLog(); // the tray's notice was clicked
    EXPECT_EQ(w.window->findChild<QTabWidget*>()->currentWidget()->objectName(), "feedbackTab");
    ASSERT_TRUE(crashLog->isVisible());
    EXPECT_TRUE(crashLog->isChecked());
    crashLog->setChecked(false); // the user changes their mind: nothing of the log goes
    message->setPlainText("It stopped.");
    QTest::mouseClick(send, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 1; }, 10000));
    EXPECT_EQ(server.requests()[0].body.indexOf("fatal signal"), -1);

    crashLog->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return send->isEnabled(); }, 10000));
    message->setPlainText("It stopped again.");
    QTest::mouseClick(send, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests().size() == 2; }, 10000));
    EXPECT_NE(server.requests()[1].body.indexOf("fatal signal"), -1);
}

TEST(SettingsWindow, ANewerVersionLinksToItsDownloadAndCanBeSkipped) {
    Window w;
    auto* line = w.named<QLabel>("updateAvailable");
    auto* skip = w.named<QPushButton>("skipVersion");
    EXPECT_FALSE(line->isVisible());
    w.update =
        std::make_pair(std::string("0.2.0"), std::string("https://example.org/keyvane_0.2.0_amd64.deb"));
    w.window->updateAvailabilityChanged(); // the checker found it
    EXPECT_TRUE(line->isVisible());
    EXPECT_NE(line->text().indexOf("New version 0.2.0 is available"), -1) << line->text().toStdString();
    emit line->linkActivated("https://example.org/keyvane_0.2.0_amd64.deb");
    EXPECT_EQ(w.platform.openedURLs,
              (std::vector<std::string>{"https://example.org/keyvane_0.2.0_amd64.deb"}));
    QTest::mouseClick(skip, Qt::LeftButton);
    EXPECT_EQ(w.skipped, (std::vector<std::string>{"0.2.0"}));
    EXPECT_FALSE(line->isVisible());
}

TEST(SettingsWindow, AHotkeyHeldElsewhereOrTwiceIsRefusedAndTheOnesInUseStay) {
    Window w;
    w.showTab("settings.tab.hotkeys");
    auto* undo = w.named<ShortcutRecorder>("undoRecorder");
    ASSERT_NE(undo, nullptr);
    EXPECT_EQ(undo->text(), "Control+F11");
    QLabel* status = w.named<QLabel>("hotkeysStatus");
    QPushButton* save = w.named<QPushButton>("saveHotkeys");

    // One shortcut for two actions.
    auto* convert = w.named<ShortcutRecorder>("convertRecorder");
    convert->setShortcut(HotkeyManager::defaultUndo);
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(status->text().toStdString(), "Control+F11 is given to two actions.");
    EXPECT_EQ(w.hotkeys->switchShortcut, HotkeyManager::defaultSwitch);
    convert->setShortcut(HotkeyManager::defaultSwitch);

    // Recorded as the user presses it: Control+Alt+U, which another program holds.
    w.platform.taken.push_back({KeyCode::u, Modifier::control | Modifier::alt});
    QTest::mouseClick(undo, Qt::LeftButton);
    EXPECT_TRUE(undo->isRecording());
    QTest::keyClick(undo, Qt::Key_Control, Qt::ControlModifier); // a modifier alone is no shortcut
    EXPECT_TRUE(undo->isRecording());
    QTest::keyClick(undo, Qt::Key_U, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(undo->text(), "Control+Alt+U");
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(status->text().toStdString(),
              "Control+Alt+U is already used by the desktop or another program; choose another.");
    EXPECT_EQ(w.hotkeys->undoShortcut, HotkeyManager::defaultUndo);
    EXPECT_EQ(w.platform.hotkeys.at(1), std::make_pair(KeyCode::f11, Modifier::control)) << "still in use";

    // A bare letter would take a key the user types with.
    undo->setShortcut(Shortcut{KeyCode::u, Modifier::shift});
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_NE(status->text().indexOf("Shift+U"), -1) << status->text().toStdString();

    // A free one is taken at once and kept for the next start.
    undo->setShortcut(Shortcut{KeyCode::f9, Modifier::control});
    auto* toRussian = w.named<ShortcutRecorder>("convertTo:ru");
    ASSERT_NE(toRussian, nullptr);
    toRussian->setShortcut(Shortcut{KeyCode::f9, Modifier::control | Modifier::shift});
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_EQ(w.hotkeys->undoShortcut, (Shortcut{KeyCode::f9, Modifier::control}));
    EXPECT_EQ(w.platform.hotkeys.at(1), std::make_pair(KeyCode::f9, Modifier::control));
    HotkeyManager later(w.platform);
    later.loadSettings();
    EXPECT_EQ(later.undoShortcut, (Shortcut{KeyCode::f9, Modifier::control}));
    EXPECT_EQ(later.convertToBindings.at("ru"), (Shortcut{KeyCode::f9, Modifier::control | Modifier::shift}));
}

TEST(SettingsWindow, RulesAreSearchedAddedAndRemoved) {
    Window w;
    w.showTab("settings.tab.rules");
    QTableWidget* pairs = w.named<QTableWidget>("pairs");
    QTableWidget* exceptions = w.named<QTableWidget>("exceptions");
    ASSERT_GT(pairs->rowCount(), 1);
    w.named<QLineEdit>("rulesSearch")->setText("GHBD");
    ASSERT_EQ(pairs->rowCount(), 1) << "the search ignores case";
    EXPECT_EQ(pairs->item(0, 1)->text(), "ghbdtn");
    EXPECT_EQ(exceptions->rowCount(), 0);
    w.named<QLineEdit>("rulesSearch")->clear();

    // A pair added through its dialog, filled in as the user would.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const QList<QLineEdit*> fields = dialog->findChildren<QLineEdit*>();
        ASSERT_EQ(fields.size(), 2);
        fields[0]->setText(" ZXCV ");
        fields[1]->setText("кот");
        dialog->accept();
    });
    QTest::mouseClick(w.named<QPushButton>("addPair"), Qt::LeftButton);
    EXPECT_EQ(w.reloads, 1);
    EXPECT_FALSE(pairs->findItems("zxcv", Qt::MatchExactly).isEmpty());

    const QList<QTableWidgetItem*> btw = exceptions->findItems("btw", Qt::MatchExactly);
    ASSERT_FALSE(btw.isEmpty());
    exceptions->setCurrentCell(btw.front()->row(), 1);
    QTest::mouseClick(w.named<QPushButton>("removeException"), Qt::LeftButton);
    EXPECT_TRUE(exceptions->findItems("btw", Qt::MatchExactly).isEmpty());
    EXPECT_EQ(w.reloads, 2);
    w.type({KeyCode::z, KeyCode::x, KeyCode::c, KeyCode::v, KeyCode::space});
    w.platform.advance(1);
    EXPECT_EQ(w.field("zxcv "), "кот ");
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
