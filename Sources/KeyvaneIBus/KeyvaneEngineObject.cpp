// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneIBus/KeyvaneEngineObject.h"

#include "KeyvaneIBus/KeyvaneIBusEngine.h"

namespace {

keyvane::KeyvaneIBusEngine* target = nullptr;

} // namespace

extern "C" {

struct KeyvaneEngine {
    IBusEngine parent;
};

struct KeyvaneEngineClass {
    IBusEngineClass parent;
};

G_DEFINE_TYPE(KeyvaneEngine, keyvane_engine, IBUS_TYPE_ENGINE)

static gboolean keyvane_engine_process_key_event(IBusEngine* engine, guint keyval, guint keycode,
                                                 guint state) {
    return target != nullptr && target->keyEvent(engine, keyval, keycode, state) ? TRUE : FALSE;
}

static void keyvane_engine_focus_in_id(IBusEngine* engine, const gchar* /*objectPath*/, const gchar* client) {
    if (target != nullptr) {
        target->focusIn(engine, client != nullptr ? client : "");
    }
}

static void keyvane_engine_focus_out_id(IBusEngine* engine, const gchar* /*objectPath*/) {
    if (target != nullptr) {
        target->focusOut(engine);
    }
}

// Without the client's name (an ibus-daemon that does not ask for it).
static void keyvane_engine_focus_in(IBusEngine* engine) {
    keyvane_engine_focus_in_id(engine, nullptr, nullptr);
}

static void keyvane_engine_focus_out(IBusEngine* engine) {
    keyvane_engine_focus_out_id(engine, nullptr);
}

static void keyvane_engine_reset(IBusEngine* engine) {
    if (target != nullptr) {
        target->reset(engine);
    }
}

static void keyvane_engine_enable(IBusEngine* engine) {
    if (target != nullptr) {
        target->enable(engine);
    }
}

static void keyvane_engine_set_content_type(IBusEngine* engine, guint /*purpose*/, guint /*hints*/) {
    if (target != nullptr) {
        target->contentTypeChanged(engine);
    }
}

static void keyvane_engine_set_surrounding_text(IBusEngine* engine, IBusText* text, guint cursor,
                                                guint anchor) {
    // IBus keeps the text for ibus_engine_get_surrounding_text.
    IBUS_ENGINE_CLASS(keyvane_engine_parent_class)->set_surrounding_text(engine, text, cursor, anchor);
    if (target != nullptr) {
        target->surroundingTextChanged(engine);
    }
}

static void keyvane_engine_property_activate(IBusEngine* engine, const gchar* name, guint /*state*/) {
    if (target != nullptr && name != nullptr) {
        target->propertyActivated(engine, name);
    }
}

static void keyvane_engine_destroy(IBusObject* object) {
    if (target != nullptr) {
        target->engineGone(IBUS_ENGINE(object));
    }
    IBUS_OBJECT_CLASS(keyvane_engine_parent_class)->destroy(object);
}

static void keyvane_engine_class_init(KeyvaneEngineClass* klass) {
    IBusEngineClass* engine = IBUS_ENGINE_CLASS(klass);
    engine->process_key_event = keyvane_engine_process_key_event;
    engine->focus_in_id = keyvane_engine_focus_in_id;
    engine->focus_out_id = keyvane_engine_focus_out_id;
    engine->focus_in = keyvane_engine_focus_in;
    engine->focus_out = keyvane_engine_focus_out;
    engine->reset = keyvane_engine_reset;
    engine->enable = keyvane_engine_enable;
    engine->set_content_type = keyvane_engine_set_content_type;
    engine->property_activate = keyvane_engine_property_activate;
    engine->set_surrounding_text = keyvane_engine_set_surrounding_text;
    IBUS_OBJECT_CLASS(klass)->destroy = keyvane_engine_destroy;
}

static void keyvane_engine_init(KeyvaneEngine* /*engine*/) {}

} // extern "C"

namespace keyvane::KeyvaneEngineObject {

GType type() {
    return keyvane_engine_get_type();
}

void setTarget(KeyvaneIBusEngine* engine) {
    target = engine;
}

IBusEngine* create(const char* engineName, const char* objectPath, GDBusConnection* connection) {
    // The client's name comes with each focus ("gtk3-im:gedit", "xim", "gnome-shell").
    return IBUS_ENGINE(g_object_new(type(), "engine-name", engineName, "object-path", objectPath,
                                    "connection", connection, "has-focus-id", TRUE, nullptr));
}

} // namespace keyvane::KeyvaneEngineObject
