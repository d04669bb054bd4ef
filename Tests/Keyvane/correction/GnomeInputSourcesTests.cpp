// SPDX-License-Identifier: GPL-3.0-or-later
// Keyvane's IBus engine is added to GNOME's list of input sources in front of what the user had,
// which stays, and only once; Super+Space is given to the engine's layouts only where the user has
// no switch key of their own.

#include "Keyvane/correction/GnomeInputSources.h"

#include <cstdlib>
#include <gio/gio.h>
#include <gtest/gtest.h>

using namespace keyvane;
using GnomeInputSources::Source;

namespace {

// GNOME's settings in memory (the schemas come with gsettings-desktop-schemas).
std::string settingNow(const char* schema, const char* key) {
    GSettings* settings = g_settings_new(schema);
    GVariant* value = g_settings_get_value(settings, key);
    gchar* text = g_variant_print(value, FALSE);
    std::string printed = text;
    g_free(text);
    g_variant_unref(value);
    g_object_unref(settings);
    return printed;
}

std::string sourcesNow() {
    return settingNow("org.gnome.desktop.input-sources", "sources");
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

TEST(GnomeInputSources, SuperSpaceLeavesGnomesSourceSwitchForTheEnginesLayouts) {
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    // GNOME's defaults: Super+Space goes to the next input source, and no XKB switch option.
    ASSERT_FALSE(GnomeInputSources::hasLayoutSwitchKey());
    EXPECT_EQ(GnomeInputSources::giveSuperSpaceToKeyvane(), std::nullopt);
    EXPECT_EQ(settingNow("org.gnome.desktop.input-sources", "xkb-options"), "['grp:win_space_toggle']");
    EXPECT_EQ(settingNow("org.gnome.desktop.wm.keybindings", "switch-input-source"), "['XF86Keyboard']");
    EXPECT_EQ(settingNow("org.gnome.desktop.wm.keybindings", "switch-input-source-backward"),
              "['<Shift>XF86Keyboard']");
    EXPECT_TRUE(GnomeInputSources::hasLayoutSwitchKey());
    EXPECT_EQ(GnomeInputSources::giveSuperSpaceToKeyvane(), std::nullopt);
    EXPECT_EQ(settingNow("org.gnome.desktop.input-sources", "xkb-options"), "['grp:win_space_toggle']")
        << "given twice";

    // A switch key of the user's own stays the only one; their other options stay too.
    EXPECT_EQ(GnomeInputSources::withSuperSpaceSwitch({"ctrl:nocaps", "grp:alt_shift_toggle"}),
              (std::vector<std::string>{"ctrl:nocaps", "grp:alt_shift_toggle"}));
    EXPECT_EQ(GnomeInputSources::withSuperSpaceSwitch({"ctrl:nocaps"}),
              (std::vector<std::string>{"ctrl:nocaps", "grp:win_space_toggle"}));
}
