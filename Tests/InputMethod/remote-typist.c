// SPDX-License-Identifier: GPL-3.0-or-later
// keyvane-remote-typist: types real key codes into a GNOME Shell session through Mutter's
// RemoteDesktop interface, as a remote-desktop client does. Mutter ends a remote-desktop session
// when the connection that made it goes, so one process keeps it: each line on standard input is
// evdev key codes, each pressed and released ("+29" only presses it, "-29" only releases it, for
// shortcuts), "@10" first to wait 10 ms after each; "ok" is answered once the events are sent (not
// waiting for Mutter's answers, which come only after the key went through the input method: the
// keys go as fast as they are given).
#include <gio/gio.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char* const service = "org.gnome.Mutter.RemoteDesktop";

static GVariant* call(GDBusConnection* bus, const char* path, const char* interface, const char* method,
                      GVariant* arguments) {
    GError* error = NULL;
    GVariant* reply = g_dbus_connection_call_sync(bus, service, path, interface, method, arguments, NULL,
                                                  G_DBUS_CALL_FLAGS_NONE, 5000, NULL, &error);
    if (reply == NULL) {
        fprintf(stderr, "keyvane-remote-typist: %s: %s\n", method, error->message);
        exit(1);
    }
    return reply;
}

int main(void) {
    GError* error = NULL;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, NULL, &error);
    if (bus == NULL) {
        fprintf(stderr, "keyvane-remote-typist: no session bus: %s\n", error->message);
        return 1;
    }
    GVariant* created = call(bus, "/org/gnome/Mutter/RemoteDesktop", service, "CreateSession", NULL);
    const char* path = NULL;
    g_variant_get(created, "(&o)", &path);
    const char* session = "org.gnome.Mutter.RemoteDesktop.Session";
    g_variant_unref(call(bus, path, session, "Start", NULL));
    printf("ready\n");
    fflush(stdout);
    char line[4096];
    while (fgets(line, sizeof line, stdin) != NULL) {
        unsigned long gap = 0; // milliseconds after each key
        for (char* word = strtok(line, " \n"); word != NULL; word = strtok(NULL, " \n")) {
            if (word[0] == '@') {
                gap = strtoul(word + 1, NULL, 10);
                continue;
            }
            const char* number = word + (word[0] == '+' || word[0] == '-');
            char* end = NULL;
            const unsigned long keycode = strtoul(number, &end, 10);
            if (end == number || *end != '\0' || keycode > 767) {
                fprintf(stderr, "keyvane-remote-typist: not a key code: %s\n", word);
                return 2;
            }
            for (int pressed = 1; pressed >= 0; --pressed) {
                if ((word[0] == '+' && !pressed) || (word[0] == '-' && pressed)) {
                    continue;
                }
                g_dbus_connection_call(bus, service, path, session, "NotifyKeyboardKeycode",
                                       g_variant_new("(ub)", (guint32)keycode, pressed), NULL,
                                       G_DBUS_CALL_FLAGS_NONE, -1, NULL, NULL, NULL);
            }
            if (!g_dbus_connection_flush_sync(bus, NULL, &error)) {
                fprintf(stderr, "keyvane-remote-typist: %s\n", error->message);
                return 1;
            }
            if (word[0] != '+') {
                g_usleep(gap * 1000);
            }
        }
        printf("ok\n");
        fflush(stdout);
    }
    g_variant_unref(created);
    g_object_unref(bus);
    return 0;
}
