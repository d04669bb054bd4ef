// Keyvane's entry point: the developer command line, the self-test, or the live program.

#include "AppLog.h"
#include "AppState.h"
#include "CLI/CLIEntry.h"
#include "ConfigStore.h"
#include "CorrectionReadiness.h"
#include "GoldenTestRunner.h"
#include "HotkeyManager.h"
#include "InstanceChannel.h"
#include "InstanceCommand.h"
#include "L10n.h"
#include "ManualConversionTestRunner.h"
#include "RulesFile.h"
#include "UserPreferences.h"
#include "X11Platform.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

using namespace keyvane;

namespace {

// Runs the rules file's golden tests and the fixed conversion checks with every language active.
int runSelfTest() {
    auto engineJSON = RulesFile::read();
    if (!engineJSON) {
        std::cout << "ERROR: Cannot load rules config (installed data, ./Resources/keyvane_rules.json or the "
                     "build tree)\n";
        return 1;
    }
    nlohmann::json overrides =
        engineJSON->contains("manual_overrides") && (*engineJSON)["manual_overrides"].is_object()
            ? (*engineJSON)["manual_overrides"]
            : nlohmann::json::object();
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    preferences.activeLanguages = UserPreferences::normalize({"en", "uk", "ru"});
    RulesEngine engine(RulesConfig::load(*engineJSON, overrides, preferences));
    std::cout << "Running golden tests...\n\n";
    bool golden = GoldenTestRunner::run(engine, std::cout);
    bool conversion = ManualConversionTestRunner::run(engine, std::cout);
    return golden && conversion ? 0 : 1;
}

volatile std::sig_atomic_t terminationRequested = 0;

// The socket of the one copy that runs for this user on this display, in a directory only this
// user can enter; nothing when no such directory can be had.
std::optional<QString> instanceSocket() {
    std::string error;
    auto path = InstanceChannel::socketPath(qEnvironmentVariable("DISPLAY").toStdString(), &error);
    if (!path) {
        std::cerr << "Keyvane: no private place for its instance socket (" << error << ").\n";
        return std::nullopt;
    }
    return QString::fromStdString(*path);
}

// Whether the other end of a connection is a process of this user.
bool ownUserAtTheOtherEnd(const QLocalSocket& socket) {
    const auto user = InstanceChannel::peerUser(static_cast<int>(socket.socketDescriptor()));
    return user && *user == ::getuid();
}

// Hands a pause or resume request to the running copy and prints its answer.
int sendToRunningInstance(int argc, char** argv, const InstanceCommand& command) {
    QCoreApplication app(argc, argv);
    const std::optional<QString> name = instanceSocket();
    if (!name) {
        return 1;
    }
    QLocalSocket socket;
    socket.connectToServer(*name);
    if (!socket.waitForConnected(2000)) {
        std::cerr << "Keyvane is not running on this display; start it first with: keyvane\n";
        return 1;
    }
    if (!ownUserAtTheOtherEnd(socket)) {
        std::cerr << "Keyvane: the instance socket is held by another user; the request was not sent.\n";
        return 1;
    }
    socket.write(QByteArray::fromStdString(command.line() + "\n"));
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(5000)) {
        answer += socket.readAll();
    }
    if (!answer.contains('\n')) {
        std::cerr << "Keyvane did not answer the request.\n";
        return 1;
    }
    std::cout << InstanceChannel::plainText(answer.toStdString()) << std::endl;
    return 0;
}

// Answers one request line per connection from a later launch ("keyvane --pause 15m"). Only this
// user's processes are answered; a few connections at a time, each given two seconds, so that a
// flood of idle connections can neither use up the program's files nor close the channel.
void serveInstanceRequests(QLocalServer& server, AppState& appState) {
    constexpr int kMostConnections = 8;
    static int openConnections = 0;
    QObject::connect(&server, &QLocalServer::newConnection, [&server, &appState] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            if (!ownUserAtTheOtherEnd(*socket) || openConnections >= kMostConnections) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            ++openConnections;
            QObject::connect(socket, &QObject::destroyed, [] { --openConnections; });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QTimer::singleShot(2000, socket, [socket] {
                socket->abort();
                socket->deleteLater();
            });
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, &appState] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > 256) {
                        socket->abort(); // not a request of ours
                    }
                    return;
                }
                const std::string line = socket->readLine(256).trimmed().toStdString();
                const std::optional<InstanceCommand> command = InstanceCommand::fromLine(line);
                const std::string answer = command ? command->applyTo(appState) : "Error: unknown request";
                socket->write(QByteArray::fromStdString(answer + "\n"));
                socket->disconnectFromServer();
            });
        }
    });
}

// The live program: watches the keys of the X session and corrects words as they are typed.
int runApplication(int argc, char** argv) {
    if (!X11Platform::displayAvailable()) {
        std::cerr
            << "Keyvane needs an X11 session (is DISPLAY set? a Wayland session without X cannot be "
               "watched).\nDeveloper command line: keyvane -file <text> | -input \"<words>\"; self-test: "
               "keyvane --test\n";
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("keyvane");
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per user and display: a second one would correct every word twice.
    const std::optional<QString> instanceName = instanceSocket();
    if (instanceName) {
        QLocalSocket sibling;
        sibling.connectToServer(*instanceName);
        if (sibling.waitForConnected(500) && ownUserAtTheOtherEnd(sibling)) {
            std::cout << "Keyvane is already running on this display." << std::endl;
            return 0;
        }
    }
    QLocalServer instance;
    instance.setSocketOptions(QLocalServer::UserAccessOption);
    if (instanceName) {
        QLocalServer::removeServer(*instanceName); // a socket left behind by a copy that crashed
        if (!instance.listen(*instanceName)) {
            std::cerr << "Keyvane: cannot take requests from later launches ("
                      << instance.errorString().toStdString()
                      << "); --pause and --resume will not reach this copy.\n";
        }
    }
    const UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    DebugLog::switchAtStartup(preferences.debugLog, CoreLog::logPath());
    L10n::setLanguage(preferences.uiLanguage);
    appLog("Keyvane starting...");

    std::unique_ptr<X11Platform> platform = X11Platform::connect();
    if (!platform) {
        std::cerr << "Keyvane needs an X11 session whose server offers XInput 2.2, XKB and XTEST "
                     "(is DISPLAY set? a Wayland session without X cannot be watched).\n";
        return 1;
    }
    std::unique_ptr<AppState> appState = AppState::create(*platform);
    if (!appState) {
        std::cerr << "Engine rules config not found (bundle Resources or ~/.config fallback)\n";
        return 1;
    }
    appState->startObserving();
    serveInstanceRequests(instance, *appState);
    HotkeyManager hotkeys(*platform);
    hotkeys.loadSettings();
    hotkeys.registerCallbacks([&] { appState->undoLastCorrection(); }, [&] { appState->convertSelection(); },
                              [&](const std::string& language) { appState->convertSelection(language); });

    // SIGINT and SIGTERM end the program cleanly from the event loop.
    std::signal(SIGINT, [](int) { terminationRequested = 1; });
    std::signal(SIGTERM, [](int) { terminationRequested = 1; });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (terminationRequested != 0) {
            QCoreApplication::quit();
        }
    });
    watch.start(100);
    const std::vector<std::string> problems =
        CorrectionReadiness::problems(*platform, appState->rulesEngine());
    if (problems.empty()) {
        std::cout << "Keyvane is running: words typed in the wrong layout are corrected. Ctrl+C stops it.\n";
    } else {
        std::cout << "Keyvane is running, but:\n";
        for (const std::string& problem : problems) {
            std::cout << "  - " << problem << "\n";
            appLog("[Keyvane] WARNING: " + problem);
        }
        std::cout << "Ctrl+C stops it.\n";
    }
    std::cout
        << "Pause: keyvane --pause [15m|90s|1h] or keyvane --pause-until-restart; resume: keyvane --resume"
        << std::endl;
    int status = QApplication::exec();
    appState->stopObserving();
    appLog("[Keyvane] Terminating — input observer stopped");
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit reached while saving must fail that save (and be reported), not kill the
    // program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv, argv + argc);
    if (CLIEntry::isCommandLine(args)) {
        return CLIEntry::run(args, std::cout, std::cerr);
    }
    if (std::find(args.begin(), args.end(), "--test") != args.end()) {
        return runSelfTest();
    }
    std::string requestError;
    if (std::optional<InstanceCommand> command = InstanceCommand::parse(args, requestError)) {
        return sendToRunningInstance(argc, argv, *command);
    }
    if (!requestError.empty()) {
        std::cerr << requestError << "\n";
        return 1;
    }
    return runApplication(argc, argv);
}
