// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ibus.h>

namespace keyvane {

class KeyvaneIBusEngine;

// The GObject type of the engine objects IBus asks for, one per input context. Each hands what
// IBus tells it to the one KeyvaneIBusEngine of the process.
namespace KeyvaneEngineObject {

GType type();
// Where the objects' signals go; set before IBus asks for the first object.
void setTarget(KeyvaneIBusEngine* target);
// A new object for an input context, at `objectPath` on the connection to ibus-daemon.
IBusEngine* create(const char* engineName, const char* objectPath, GDBusConnection* connection);

} // namespace KeyvaneEngineObject
} // namespace keyvane
