// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/GnomeInputSources.h"

#include <algorithm>
#include <gio/gio.h>
#include <memory>

namespace keyvane::GnomeInputSources {
namespace {

constexpr const char* schemaId = "org.gnome.desktop.input-sources";

struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct VariantDeleter {
    void operator()(GVariant* value) const { g_variant_unref(value); }
};

// GNOME's settings of input sources, or nothing where their schema is not installed (GSettings
// would abort the program).
std::unique_ptr<GSettings, ObjectDeleter> settings() {
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        schemas != nullptr ? g_settings_schema_source_lookup(schemas, schemaId, TRUE) : nullptr;
    if (schema == nullptr) {
        return nullptr;
    }
    g_settings_schema_unref(schema);
    return std::unique_ptr<GSettings, ObjectDeleter>(g_settings_new(schemaId));
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

} // namespace keyvane::GnomeInputSources
