// SPDX-License-Identifier: GPL-3.0-or-later
// ibus-engine-keyvane: Keyvane as an IBus input source. ibus-daemon starts it with --ibus, as its
// component file says; started by hand, it tells the daemon of the engine itself.

#include "KeyvaneIBus/KeyvaneEngineObject.h"
#include "KeyvaneIBus/KeyvaneIBusEngine.h"

#include <clocale>
#include <cstring>
#include <iostream>
#include <string>

namespace {

constexpr const char* busName = "org.freedesktop.IBus.Keyvane";
constexpr const char* engineName = "keyvane";

IBusEngineDesc* describe() {
    return ibus_engine_desc_new_varargs(
        "name", engineName, "longname", "Keyvane (English, Russian, Ukrainian)", "description",
        "Types English, Russian and Ukrainian and corrects words "
        "typed in the wrong layout",
        "language", "en", "license", "GPL-3.0-or-later", "author", "Keyvane", "icon", "keyvane", "layout",
        "us", "rank", 0, "symbol", "EN", nullptr);
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    bool launchedByDaemon = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--ibus") == 0) {
            launchedByDaemon = true;
        } else {
            std::cerr << "Usage: ibus-engine-keyvane [--ibus]\n";
            return 2;
        }
    }
    ibus_init();
    IBusBus* bus = ibus_bus_new();
    if (!ibus_bus_is_connected(bus)) {
        std::cerr << "ibus-engine-keyvane: ibus-daemon is not running\n";
        return 1;
    }
    g_signal_connect(bus, "disconnected", G_CALLBACK(+[](IBusBus*, gpointer) { ibus_quit(); }), nullptr);

    keyvane::KeyvaneIBusEngine keyvane;
    keyvane::KeyvaneEngineObject::setTarget(&keyvane);

    GDBusConnection* connection = ibus_bus_get_connection(bus);
    IBusFactory* factory = ibus_factory_new(connection);
    g_signal_connect(factory, "create-engine",
                     G_CALLBACK(+[](IBusFactory*, const gchar* name, gpointer data) -> IBusEngine* {
                         static int next = 0;
                         if (std::strcmp(name, engineName) != 0) {
                             return nullptr;
                         }
                         const std::string path =
                             "/org/freedesktop/IBus/Engine/Keyvane/" + std::to_string(++next);
                         return keyvane::KeyvaneEngineObject::create(name, path.c_str(),
                                                                     static_cast<GDBusConnection*>(data));
                     }),
                     connection);
    if (launchedByDaemon) {
        ibus_bus_request_name(bus, busName, 0);
    } else {
        IBusComponent* component =
            ibus_component_new(busName, "Keyvane", "0", "GPL-3.0-or-later", "Keyvane", "", "", "keyvane");
        ibus_component_add_engine(component, describe());
        ibus_bus_register_component(bus, component);
        g_object_unref(component);
    }
    ibus_main();
    keyvane::KeyvaneEngineObject::setTarget(nullptr);
    g_object_unref(factory);
    g_object_unref(bus);
    return 0;
}
