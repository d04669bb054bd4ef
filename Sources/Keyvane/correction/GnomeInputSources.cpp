// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/GnomeInputSources.h"

#include <algorithm>
#include <gio/gio.h>
#include <memory>

namespace keyvane::GnomeInputSources {
namespace {

constexpr const char* schemaId = "org.gnome.desktop.input-sources";
constexpr const char* keybindingsSchemaId = "org.gnome.desktop.wm.keybindings";
constexpr const char* superSpaceOption = "grp:win_space_toggle";

struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantDeleter {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};

// GNOME's settings of input sources, or nothing where their schema is not installed (GSettings
// would abort the program).
std::unique_ptr<GSettings, ObjectDeleter> settings(const char* id = schemaId) {
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        schemas != nullptr ? g_settings_schema_source_lookup(schemas, id, TRUE) : nullptr;
    if (schema == nullptr) {
        return nullptr;
    }
    g_settings_schema_unref(schema);
    return std::unique_ptr<GSettings, ObjectDeleter>(g_settings_new(id));
}

std::vector<std::string> stringsOf(GSettings* settings, const char* key) {
    std::vector<std::string> strings;
    gchar** values = g_settings_get_strv(settings, key);
    for (gchar** value = values; *value != nullptr; ++value) {
        strings.emplace_back(*value);
    }
    g_strfreev(values);
    return strings;
}

bool setStrings(GSettings* settings, const char* key, const std::vector<std::string>& strings) {
    std::vector<const gchar*> values;
    for (const std::string& value : strings) {
        values.push_back(value.c_str());
    }
    values.push_back(nullptr);
    return g_settings_set_strv(settings, key, values.data());
}

bool isLayoutSwitchOption(const std::string& option) {
    return option.starts_with("grp:");
}

std::vector<Source> sourcesOf(GSettings* gnome) {
    std::vector<Source> sources;
    const std::unique_ptr<GVariant, VariantDeleter> value(g_settings_get_value(gnome, "sources"));
    GVariantIter iter;
    g_variant_iter_init(&iter, value.get());
    const char* type = nullptr;
    const char* id = nullptr;
    while (g_variant_iter_next(&iter, "(&s&s)", &type, &id)) {
        sources.push_back(Source{type, id});
    }
    return sources;
}

} // namespace

std::vector<Source> read() {
    const auto gnome = settings();
    return gnome ? sourcesOf(gnome.get()) : std::vector<Source>();
}

std::vector<Source> withKeyvane(std::vector<Source> sources) {
    sources.erase(std::remove(sources.begin(), sources.end(), keyvane), sources.end());
    sources.insert(sources.begin(), keyvane);
    return sources;
}

std::optional<std::string> addKeyvane() {
    const auto gnome = settings();
    if (!gnome) {
        return "GNOME's input-source settings are not installed";
    }
    const std::vector<Source> sources = sourcesOf(gnome.get());
    if (std::find(sources.begin(), sources.end(), keyvane) != sources.end()) {
        return std::nullopt;
    }
    GVariantBuilder builder;
    g_variant_builder_init(&builder, G_VARIANT_TYPE("a(ss)"));
    for (const Source& source : withKeyvane(sources)) {
        g_variant_builder_add(&builder, "(ss)", source.type.c_str(), source.id.c_str());
    }
    if (!g_settings_set_value(gnome.get(), "sources", g_variant_builder_end(&builder))) {
        return "GNOME's input-source settings cannot be changed";
    }
    g_settings_sync(); // written before the program may end
    return std::nullopt;
}

bool hasLayoutSwitchKey() {
    const auto gnome = settings();
    if (!gnome) {
        return false;
    }
    const std::vector<std::string> options = stringsOf(gnome.get(), "xkb-options");
    return std::any_of(options.begin(), options.end(), isLayoutSwitchOption);
}

std::vector<std::string> withSuperSpaceSwitch(std::vector<std::string> xkbOptions) {
    if (std::none_of(xkbOptions.begin(), xkbOptions.end(), isLayoutSwitchOption)) {
        xkbOptions.emplace_back(superSpaceOption);
    }
    return xkbOptions;
}

std::optional<std::string> giveSuperSpaceToKeyvane() {
    const auto gnome = settings();
    const auto keybindings = settings(keybindingsSchemaId);
    if (!gnome || !keybindings) {
        return "GNOME's keyboard settings are not installed";
    }
    // GNOME's binding first: while it holds Super+Space the shell takes the key before any engine.
    for (const auto& [key, binding] : {std::pair{"switch-input-source", "<Super>space"},
                                       std::pair{"switch-input-source-backward", "<Shift><Super>space"}}) {
        std::vector<std::string> bindings = stringsOf(keybindings.get(), key);
        if (std::erase(bindings, binding) > 0 && !setStrings(keybindings.get(), key, bindings)) {
            return "GNOME's keyboard shortcuts cannot be changed";
        }
    }
    const std::vector<std::string> options = stringsOf(gnome.get(), "xkb-options");
    const std::vector<std::string> wanted = withSuperSpaceSwitch(options);
    if (wanted != options && !setStrings(gnome.get(), "xkb-options", wanted)) {
        return "GNOME's keyboard options cannot be changed";
    }
    g_settings_sync();
    return std::nullopt;
}

} // namespace keyvane::GnomeInputSources
