// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/SingleInstance.h"

#include "Keyvane/app/InstanceChannel.h"
#include "Keyvane/correction/AppState.h"
#include "Keyvane/correction/InputMethodPresence.h"
#include "KeyvaneCore/AppPaths.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>
#include <iostream>
#include <unistd.h>

namespace keyvane::SingleInstance {
namespace {

// Whether the other end of a connection is a process of this user.
bool ownUserAtTheOtherEnd(const QLocalSocket& socket) {
    const auto user = InstanceChannel::peerUser(static_cast<int>(socket.socketDescriptor()));
    return user && *user == ::getuid();
}

} // namespace

std::optional<QString> socketName() {
    std::string error;
    auto path = InstanceChannel::socketPath(qEnvironmentVariable("DISPLAY").toStdString(), &error);
    if (!path) {
        std::cerr << "Keyvane: no private place for its instance socket (" << error << ").\n";
        return std::nullopt;
    }
    return QString::fromStdString(*path);
}

bool anotherCopyRuns(const QString& name) {
    QLocalSocket sibling;
    sibling.connectToServer(name);
    return sibling.waitForConnected(500) && ownUserAtTheOtherEnd(sibling);
}

namespace {

// One request line to the socket and its answer's line; nothing, and why in `failure`, when no
// process of this user answered in time.
enum class Failure { noAnswerer, otherUser, silent };
std::optional<std::string> exchange(const QString& name, const std::string& line, int waitMs,
                                    Failure* failure = nullptr) {
    auto failed = [failure](Failure why) {
        if (failure != nullptr) {
            *failure = why;
        }
        return std::nullopt;
    };
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(waitMs)) {
        return failed(Failure::noAnswerer);
    }
    if (!ownUserAtTheOtherEnd(socket)) {
        return failed(Failure::otherUser);
    }
    socket.write(QByteArray::fromStdString(line + "\n"));
    socket.flush();
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(waitMs)) {
        answer += socket.readAll();
    }
    if (!answer.contains('\n')) {
        return failed(Failure::silent);
    }
    return answer.left(answer.indexOf('\n')).toStdString();
}

} // namespace

int sendRequest(int argc, char** argv, const InstanceCommand& command) {
    QCoreApplication app(argc, argv);
    // Inside the input-method framework is where words are corrected while its host runs (the copy
    // on the X display then leaves the keys to it).
    const bool insideInputMethod = InputMethodPresence::active(AppPaths::inputMethodHostMarkerPath());
    std::optional<QString> name;
    if (insideInputMethod) {
        std::string error;
        if (auto path = InstanceChannel::inputMethodSocketPath(&error)) {
            name = QString::fromStdString(*path);
        } else {
            std::cerr << "Keyvane: no private place for its request socket (" << error << ").\n";
        }
    } else {
        name = socketName();
    }
    if (!name) {
        return 1;
    }
    Failure failure = Failure::silent;
    const std::optional<std::string> answer = exchange(*name, command.line(), 2000, &failure);
    if (!answer) {
        switch (failure) {
        case Failure::noAnswerer:
            std::cerr << (insideInputMethod
                              ? "Keyvane's input-method addon does not take requests (restart fcitx5).\n"
                              : "Keyvane is not running on this display; start it first with: keyvane\n");
            break;
        case Failure::otherUser:
            std::cerr << "Keyvane: the instance socket is held by another user; the request was not sent.\n";
            break;
        case Failure::silent: std::cerr << "Keyvane did not answer the request.\n"; break;
        }
        return 1;
    }
    std::cout << InstanceChannel::plainText(*answer) << std::endl;
    return 0;
}

std::optional<std::string> askInputMethodHost(const InstanceCommand& command) {
    const std::optional<std::string> path = InstanceChannel::inputMethodSocketPath();
    if (!path) {
        return std::nullopt;
    }
    // The host answers at once; a tray click must not freeze the menu for long.
    return exchange(QString::fromStdString(*path), command.line(), 1000);
}

bool activateRunningCopy(const QString& name) {
    return exchange(name, "activate", 2000).has_value();
}

// Answers one request line per connection from a later launch ("keyvane --pause 15m"). Only this
// user's processes are answered; a few connections at a time, each given two seconds, so that a
// flood of idle connections can neither use up the program's files nor close the channel.
void serveRequests(QLocalServer& server, AppState& appState, std::function<void()> activate) {
    constexpr int mostConnections = 8;
    static int openConnections = 0;
    QObject::connect(&server, &QLocalServer::newConnection, [&server, &appState, activate] {
        while (QLocalSocket* socket = server.nextPendingConnection()) {
            if (!ownUserAtTheOtherEnd(*socket) || openConnections >= mostConnections) {
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
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, &appState, activate] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > 256) {
                        socket->abort(); // not a request of ours
                    }
                    return;
                }
                const std::string line = socket->readLine(256).trimmed().toStdString();
                std::string answer;
                if (line == "activate") {
                    if (activate) {
                        QTimer::singleShot(0, activate); // after the answer has gone
                    }
                    answer = "Keyvane is running; its settings window is in front.";
                } else {
                    const std::optional<InstanceCommand> command = InstanceCommand::fromLine(line);
                    answer = command ? command->applyTo(appState) : "Error: unknown request";
                }
                socket->write(QByteArray::fromStdString(answer + "\n"));
                socket->disconnectFromServer();
            });
        }
    });
}

} // namespace keyvane::SingleInstance
