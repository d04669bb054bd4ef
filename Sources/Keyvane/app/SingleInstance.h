// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Keyvane/app/InstanceCommand.h"

#include <QLocalServer>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace keyvane {
class AppState;
}

// One copy of Keyvane per user and display: later launches reach the running one through a local
// socket ("keyvane --pause 15m"), and a second copy that would correct every word twice stops.
namespace keyvane::SingleInstance {

// The socket of the one copy that runs for this user on this display, in a directory only this
// user can enter; nothing (and one line on standard error) when no such directory can be had.
std::optional<QString> socketName();

// Whether a copy of this user already answers at the socket.
bool anotherCopyRuns(const QString& name);

// Hands a pause or resume request to the running copy and prints its answer; the process status.
int sendRequest(int argc, char** argv, const InstanceCommand& command);

// Hands a request to Keyvane inside the input-method framework; its answer, or nothing when it did
// not answer.
std::optional<std::string> askInputMethodHost(const InstanceCommand& command);

// Asks the running copy to bring its settings window to the front (a second start without
// arguments); false when it did not answer.
bool activateRunningCopy(const QString& name);

// Answers one request line per connection from a later launch on the coordinator; `activate` is
// what a second start without arguments asks for.
void serveRequests(QLocalServer& server, AppState& appState, std::function<void()> activate);

} // namespace keyvane::SingleInstance
