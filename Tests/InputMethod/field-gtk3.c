// SPDX-License-Identifier: GPL-3.0-or-later
// keyvane-field-gtk3: one GTK3 text entry for the input-method tests. Prints the entry's whole text
// on standard output, one line each time it changes and each time the entry gets the keyboard
// focus, so the first line (empty) tells that the field has the focus and a test can then wait for
// the line "привет мир ". With --password the entry is a password field (hidden text, input purpose
// password), as an input method sees a login form's; with --shown-password its text is shown, as
// after a login form's "show password". With --password-then-plain the window holds a
// password entry (focused at start) above an ordinary one, as a login form does, and each line is
// both texts, "password|plain", printed when either changes or takes the focus. With
// KEYVANE_FIELD_TIMES set, standard error gets each text again after the time it was shown
// (g_get_monotonic_time).
#include <gtk/gtk.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static GtkWidget* passwordEntry = NULL; // the first entry in --password-then-plain, else NULL
static GtkWidget* plainEntry = NULL;

static void printText(GtkEntry* entry) {
    if (getenv("KEYVANE_FIELD_TIMES") != NULL) { // when each text was shown, for latency figures
        fprintf(stderr, "%" G_GINT64_FORMAT " %s\n", g_get_monotonic_time(), gtk_entry_get_text(entry));
    }
    if (passwordEntry != NULL) {
        printf("%s|%s\n", gtk_entry_get_text(GTK_ENTRY(passwordEntry)),
               gtk_entry_get_text(GTK_ENTRY(plainEntry)));
    } else {
        printf("%s\n", gtk_entry_get_text(entry));
    }
    fflush(stdout);
}

static void onChanged(GtkEditable* editable, gpointer data) {
    (void)data;
    printText(GTK_ENTRY(editable));
}

static gboolean onFocusIn(GtkWidget* widget, GdkEvent* event, gpointer data) {
    (void)event;
    (void)data;
    printText(GTK_ENTRY(widget));
    return FALSE;
}

// A password field hides its text unless `shown` (a login form's "show password").
static GtkWidget* newEntry(gboolean password, gboolean shown) {
    GtkWidget* entry = gtk_entry_new();
    if (password) {
        gtk_entry_set_visibility(GTK_ENTRY(entry), shown);
        gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_PASSWORD);
    }
    g_signal_connect(entry, "changed", G_CALLBACK(onChanged), NULL);
    g_signal_connect(entry, "focus-in-event", G_CALLBACK(onFocusIn), NULL);
    return entry;
}

int main(int argc, char** argv) {
    gboolean shown = argc == 2 && strcmp(argv[1], "--shown-password") == 0;
    gboolean password = shown || (argc == 2 && strcmp(argv[1], "--password") == 0);
    gboolean both = argc == 2 && strcmp(argv[1], "--password-then-plain") == 0;
    if (argc > 2 || (argc == 2 && !password && !both)) {
        fprintf(stderr, "usage: keyvane-field-gtk3 [--password | --shown-password | --password-then-plain]\n");
        return 2;
    }
    // The Wayland app_id and the X11 class, by which a compositor's rules or a test find the window.
    g_set_prgname("keyvane-field-gtk3");
    gtk_init(&argc, &argv);

    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), both       ? "Keyvane login form"
                                             : password ? "Keyvane password field"
                                                        : "Keyvane field");
    gtk_window_set_default_size(GTK_WINDOW(window), 400, both ? 90 : 60);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);

    GtkWidget* first;
    if (both) {
        passwordEntry = newEntry(TRUE, FALSE);
        plainEntry = newEntry(FALSE, FALSE);
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
        gtk_container_add(GTK_CONTAINER(box), passwordEntry);
        gtk_container_add(GTK_CONTAINER(box), plainEntry);
        gtk_container_add(GTK_CONTAINER(window), box);
        first = passwordEntry;
    } else {
        first = newEntry(password, shown);
        gtk_container_add(GTK_CONTAINER(window), first);
    }
    gtk_widget_show_all(window);
    gtk_widget_grab_focus(first);
    gtk_main();
    return 0;
}
