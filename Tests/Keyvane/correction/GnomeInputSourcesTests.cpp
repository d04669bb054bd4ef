// SPDX-License-Identifier: GPL-3.0-or-later
// Keyvane's IBus engine is added to GNOME's list of input sources in front of what the user had,
// which stays, and only once.

#include "Keyvane/correction/GnomeInputSources.h"

#include <cstdlib>
#include <gio/gio.h>
#include <gtest/gtest.h>

using namespace keyvane;
using GnomeInputSources::Source;

namespace {

// GNOME's settings in memory (the schemas come with gsettings-desktop-schemas).
std::string sourcesNow() {
    GSettings* settings = g_settings_new("org.gnome.desktop.input-sources");
    GVariant* value = g_settings_get_value(settings, "sources");
    gchar* text = g_variant_print(value, FALSE);
    std::string printed = text;
    g_free(text);
    g_variant_unref(value);
    g_object_unref(settings);
    return printed;
}

} // namespace

TEST(GnomeInputSources, KeyvaneComesFirstAndTheUsersSourcesStayInTheirOrder) {
    EXPECT_EQ(GnomeInputSources::withKeyvane({{"xkb", "us"}, {"ibus", "keyvane"}, {"xkb", "ru+phonetic"}}),
              (std::vector<Source>{{"ibus", "keyvane"}, {"xkb", "us"}, {"xkb", "ru+phonetic"}}));

    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    GSettings* settings = g_settings_new("org.gnome.desktop.input-sources");
    ASSERT_TRUE(g_settings_set_value(
        settings, "sources",
        g_variant_new_parsed("[('xkb', 'us'), ('xkb', 'ru+phonetic'), ('ibus', 'm17n')]")));
    g_object_unref(settings);
    EXPECT_EQ(GnomeInputSources::addKeyvane(), std::nullopt);
    const std::string added =
        "[('ibus', 'keyvane'), ('xkb', 'us'), ('xkb', 'ru+phonetic'), ('ibus', 'm17n')]";
    EXPECT_EQ(sourcesNow(), added);
    EXPECT_EQ(GnomeInputSources::addKeyvane(), std::nullopt);
    EXPECT_EQ(sourcesNow(), added) << "added twice";
}
