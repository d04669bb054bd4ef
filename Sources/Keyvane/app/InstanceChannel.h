// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

// Where the one running copy of Keyvane listens for requests from later launches
// ("keyvane --pause"), and the checks that keep another local user out of that channel: the
// socket lives in a directory only this user can enter, each side checks the other's user ID,
// and what comes back is printed as plain text only.
namespace keyvane::InstanceChannel {

// The display name as the X server sees it: ":0", ":0.0", "unix:0" and "unix:0.0" are all "0";
// a remote display keeps its host ("host:10" → "host-10").
std::string normalisedDisplay(const std::string& display);

// The private directory of the socket: "$XDG_RUNTIME_DIR/keyvane", else "/tmp/keyvane-<uid>",
// created with mode 0700. Nothing (and why, in `error`) when it cannot be made private: a link,
// another owner, or access for others.
std::optional<std::string> privateDirectory(std::string* error = nullptr);

// The socket's full path for this user on the given display.
std::optional<std::string> socketPath(const std::string& display, std::string* error = nullptr);

// The socket where Keyvane inside the user's input-method framework takes the same requests.
std::optional<std::string> inputMethodSocketPath(std::string* error = nullptr);

// The user ID of the process at the other end of a connected local socket; nothing when unknown.
std::optional<uid_t> peerUser(int socketDescriptor);

// An answer fit to print on a terminal: printable characters and spaces only, at most one line
// of 256 bytes (terminal escape codes and control characters are dropped).
std::string plainText(const std::string& answer);

} // namespace keyvane::InstanceChannel
