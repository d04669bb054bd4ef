// SPDX-License-Identifier: GPL-3.0-or-later
// keyvane-field-gtk4: one GTK4 text entry for the input-method tests, as keyvane-field-gtk3 is for
// GTK3. Prints the entry's whole text on standard output, one line each time it changes and each
// time the entry gets the keyboard focus, so the first line (empty) tells that the field has the
// focus. Return prints the line "Return: " and the text, so a test sees what the text was when
// Return came. With --password the entry is a password entry (input purpose password), whose text
// is printed all the same. KEYVANE_FIELD_TIMES as for keyvane-field-gtk3.
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void printText(GtkEditable* editable) {
    if (getenv("KEYVANE_FIELD_TIMES") != NULL) { // when each text was shown, for latency figures
        fprintf(stderr, "%" G_GINT64_FORMAT " %s\n", g_get_monotonic_time(), gtk_editable_get_text(editable));
    }
    printf("%s\n", gtk_editable_get_text(editable));
    fflush(stdout);
}

static void onChanged(GtkEditable* editable, gpointer data) {
    (void)data;
    printText(editable);
}

static void onActivate(GtkWidget* entry, gpointer data) {
    (void)data;
    printf("Return: %s\n", gtk_editable_get_text(GTK_EDITABLE(entry)));
    fflush(stdout);
}

// The focus lands on the entry's inner text widget: the entry's controller sees it as entering.
static void onFocusEnter(GtkEventControllerFocus* controller, gpointer entry) {
    (void)controller;
    printText(GTK_EDITABLE(entry));
}

static gboolean onCloseRequest(GtkWindow* window, gpointer done) {
    (void)window;
    *(gboolean*)done = TRUE;
    return FALSE;
}

int main(int argc, char** argv) {
    const gboolean password = argc == 2 && strcmp(argv[1], "--password") == 0;
    if (argc > 2 || (argc == 2 && !password)) {
        fprintf(stderr, "usage: keyvane-field-gtk4 [--password]\n");
        return 2;
    }
    // The Wayland app_id, by which a compositor's rules or a test find the window.
    g_set_prgname("keyvane-field-gtk4");
    gtk_init();

    gboolean done = FALSE;
    GtkWidget* window = gtk_window_new();
    gtk_window_set_title(GTK_WINDOW(window), "Keyvane GTK4 field");
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 60);
    g_signal_connect(window, "close-request", G_CALLBACK(onCloseRequest), &done);

    GtkWidget* entry = password ? gtk_password_entry_new() : gtk_entry_new();
    g_signal_connect(entry, "changed", G_CALLBACK(onChanged), NULL);
    g_signal_connect(entry, "activate", G_CALLBACK(onActivate), NULL);
    GtkEventController* focus = gtk_event_controller_focus_new();
    g_signal_connect(focus, "enter", G_CALLBACK(onFocusEnter), entry);
    gtk_widget_add_controller(entry, focus);
    gtk_window_set_child(GTK_WINDOW(window), entry);
    gtk_window_present(GTK_WINDOW(window));
    gtk_widget_grab_focus(entry);
    while (!done) {
        g_main_context_iteration(NULL, TRUE);
    }
    return 0;
}
