// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneIBus/KeyvaneIBusEngine.h"

#include "Keyvane/app/AppLog.h"
#include "Keyvane/correction/GnomeInputSources.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneInputMethod/InputMethodHost.h"

#include <algorithm>
#include <glib-unix.h>
#include <utility>

namespace keyvane {
namespace {

// IBus's content purposes that mark a secret (GTK's and Qt's password and PIN fields).
constexpr unsigned int purposePassword = 8;
constexpr unsigned int purposePin = 9;

ModifierFlags modifiersOf(unsigned int state) {
    ModifierFlags flags = 0;
    if ((state & IBUS_SHIFT_MASK) != 0) {
        flags |= Modifier::shift;
    }
    if ((state & IBUS_LOCK_MASK) != 0) {
        flags |= Modifier::capsLock;
    }
    if ((state & IBUS_CONTROL_MASK) != 0) {
        flags |= Modifier::control;
    }
    if ((state & IBUS_MOD1_MASK) != 0) {
        flags |= Modifier::alt;
    }
    if ((state & (IBUS_SUPER_MASK | IBUS_MOD4_MASK)) != 0) {
        flags |= Modifier::super;
    }
    if ((state & IBUS_MOD5_MASK) != 0) {
        flags |= Modifier::level3;
    }
    return flags;
}

std::string badgeOf(const std::string& layout) {
    return layout == "ru" ? "RU" : layout == "ua" ? "UA" : "EN";
}

// The text of the IBus object, which the caller releases.
struct TextDeleter {
    void operator()(IBusText* text) const { g_object_unref(text); }
};

// The program's name as the toolkit's input module tells it ("gtk3-im:gedit" is gedit).
std::string programOf(const std::string& client) {
    const std::size_t colon = client.find(':');
    return colon == std::string::npos ? std::string() : client.substr(colon + 1);
}

// GNOME Shell hands the field's text to IBus from Wayland's text-input, which counts in bytes.
bool countsInBytes(const std::string& client) {
    return client == "gnome-shell";
}

// The user's XKB layouts in GNOME's list of input sources ("us", "ru+phonetic"), whose variants
// the engine types.
std::vector<std::string> gnomeLayouts() {
    std::vector<std::string> layouts;
    for (const GnomeInputSources::Source& source : GnomeInputSources::read()) {
        if (source.type == "xkb") {
            layouts.push_back(source.id);
        }
    }
    return layouts;
}

} // namespace

KeyvaneIBusEngine::KeyvaneIBusEngine()
    : session_(
          std::make_unique<InputMethodSession>(*this, "IBus", InputMethodHost::layoutsFor(gnomeLayouts())))
    , order_([this] { return now(); },
             [this](double delay, std::function<void()> step) { schedule(delay, std::move(step)); },
             deliveryGap) {
    if (session_->running()) {
        watch(session_->userFilesDescriptor(), [this] { session_->readUserFiles(); });
        watch(session_->requestsDescriptor(), [this] { session_->serveRequests(); });
    }
}

KeyvaneIBusEngine::~KeyvaneIBusEngine() {
    for (const unsigned int source : sources_) {
        g_source_remove(source);
    }
    session_.reset();
}

void KeyvaneIBusEngine::watch(int descriptor, std::function<void()> readable) {
    if (descriptor < 0) {
        return;
    }
    auto* call = new std::function<void()>(std::move(readable));
    sources_.push_back(g_unix_fd_add_full(
        G_PRIORITY_DEFAULT, descriptor, G_IO_IN,
        [](int, GIOCondition, gpointer data) -> gboolean {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_CONTINUE;
        },
        call, [](gpointer data) { delete static_cast<std::function<void()>*>(data); }));
}

void KeyvaneIBusEngine::enable(IBusEngine* engine) {
    // Asks the field for its text around the cursor from now on.
    ibus_engine_get_surrounding_text(engine, nullptr, nullptr, nullptr);
}

FocusedField KeyvaneIBusEngine::fieldOf(IBusEngine* engine) const {
    unsigned int purpose = 0;
    unsigned int hints = 0; // IBus 1.5.27 writes both, whatever its documentation says
    ibus_engine_get_content_type(engine, &purpose, &hints);
    if (purpose == purposePassword || purpose == purposePin) {
        return FocusedField::password;
    }
    // An X program through XIM tells nothing of its fields, a password field included.
    return client_ == "xim" ? FocusedField::unknown : FocusedField::ordinary;
}

void KeyvaneIBusEngine::focusIn(IBusEngine* engine, const std::string& client) {
    focused_ = engine;
    client_ = client;
    takenPresses_.clear();
    order_.setFieldTells((engine->client_capabilities & IBUS_CAP_SURROUNDING_TEXT) != 0);
    // An X client reading keys through XIM takes a forwarded key or a commit for the input method's
    // only when it came alone, and sends the others back as if typed. GNOME Shell 43 passes on one
    // text per update of Wayland's text-input (of two made at once, only the last arrives) and takes
    // a forwarded key in later than text.
    order_.setSpacing(client == "xim" ? deliveryGap : 0);
    order_.setOwnSpacing(countsInBytes(client) ? deliveryGap : 0);
    showLayout(engine);
    ibus_engine_get_surrounding_text(engine, nullptr, nullptr, nullptr); // the field's text, please
    ownResets_ = 0;
    // The field is decided anew at every focus: nothing of the one before carries over.
    session_->host().focusIn(client == "fake" ? FocusedField::asking : fieldOf(engine), programOf(client));
    session_->publishStatus(true);
}

void KeyvaneIBusEngine::focusOut(IBusEngine* engine) {
    if (engine != focused_) {
        return;
    }
    order_.flush(); // what waits still goes to the field it was meant for
    focused_ = nullptr;
    session_->host().focusOut();
    session_->publishStatus(false);
}

void KeyvaneIBusEngine::reset(IBusEngine* engine) {
    if (engine != focused_) {
        return;
    }
    // GTK resets the input method when a BackSpace erases text, ours included: those resets are
    // no cursor move of the user's.
    if (ownResets_ > 0 && now() - lastOwnKeyAt_ < ownResetWindow) {
        --ownResets_;
        return;
    }
    ownResets_ = 0;
    session_->host().reset(); // a click or a cursor move: the word being typed is forgotten
}

void KeyvaneIBusEngine::contentTypeChanged(IBusEngine* engine) {
    if (engine == focused_) {
        session_->host().fieldChanged(fieldOf(engine));
    }
}

void KeyvaneIBusEngine::surroundingTextChanged(IBusEngine* engine) {
    if (engine == focused_) {
        order_.setFieldTells(true);
        order_.fieldTold();
    }
}

void KeyvaneIBusEngine::engineGone(IBusEngine* engine) {
    if (engine == focused_) {
        order_.clear();
        focused_ = nullptr;
        session_->host().focusOut();
    }
}

bool KeyvaneIBusEngine::keyEvent(IBusEngine* engine, unsigned int keyval, unsigned int keycode,
                                 unsigned int state) {
    if (engine != focused_) {
        return false;
    }
    if (!replaying_ && (order_.busy() || order_.mustWait(DeliveryOrder::Way::replay))) {
        // Text or keys on their way to the field wait for their turn, and so does this key.
        order_.send(DeliveryOrder::Way::replay,
                    [this, engine, keyval, keycode, state] { replayKey(engine, keyval, keycode, state); });
        return true;
    }
    if ((state & IBUS_RELEASE_MASK) != 0) {
        if (takenPresses_.erase(keycode) > 0) {
            return true;
        }
        order_.went(DeliveryOrder::Way::release);
        return false;
    }
    if (keyPressed(keyval, keycode, state)) {
        return true;
    }
    // A modifier changes no text: the field tells nothing of it.
    const bool modifier = session_->host().isModifierKey(static_cast<std::uint16_t>(keycode));
    order_.went(modifier ? DeliveryOrder::Way::release : DeliveryOrder::Way::key);
    return false;
}

void KeyvaneIBusEngine::replayKey(IBusEngine* engine, unsigned int keyval, unsigned int keycode,
                                  unsigned int state) {
    if (engine != focused_) {
        return;
    }
    replaying_ = true;
    const bool release = (state & IBUS_RELEASE_MASK) != 0;
    const bool taken = release ? takenPresses_.erase(keycode) > 0 : keyPressed(keyval, keycode, state);
    replaying_ = false;
    if (!taken) {
        // Nobody took it: it goes to the application, as it would have when it was typed.
        sendKey(keyval, keycode, state, false);
    }
}

void KeyvaneIBusEngine::sendKey(unsigned int keyval, unsigned int keycode, unsigned int state, bool own) {
    if (joining_) {
        sendJoined(); // text already joined goes first
    }
    const bool release = (state & IBUS_RELEASE_MASK) != 0;
    order_.send(release ? DeliveryOrder::Way::release
                : own   ? DeliveryOrder::Way::key
                        : DeliveryOrder::Way::usersKey,
                [this, keyval, keycode, state] {
                    if (focused_ != nullptr) {
                        if (keyval == IBUS_KEY_BackSpace && (state & IBUS_RELEASE_MASK) == 0) {
                            ++ownResets_;
                            lastOwnKeyAt_ = now();
                        }
                        ibus_engine_forward_key_event(focused_, keyval, keycode, state);
                    }
                });
}

bool KeyvaneIBusEngine::keyPressed(unsigned int keyval, unsigned int keycode, unsigned int state) {
    auto take = [&] {
        takenPresses_.insert(keycode);
        return true;
    };
    // The user's own group-switch key (an XKB option of the system's keymap) goes round the three.
    if (keyval == IBUS_KEY_ISO_Next_Group || keyval == IBUS_KEY_ISO_Prev_Group) {
        const auto& all = session_->host().layouts();
        auto at = std::find_if(all.begin(), all.end(),
                               [&](const KeyboardLayout& l) { return l.layout == layout_; });
        const std::size_t index = at == all.end() ? 0 : static_cast<std::size_t>(at - all.begin());
        const std::size_t next = keyval == IBUS_KEY_ISO_Next_Group ? (index + 1) % all.size()
                                                                   : (index + all.size() - 1) % all.size();
        selectLayout(all[next].layout);
        return take();
    }
    const auto keyCode = static_cast<std::uint16_t>(keycode);
    const ModifierFlags modifiers = modifiersOf(state);
    // What the key commits goes as one text: GNOME Shell passes on one commit per update.
    joining_ = true;
    const InputMethodSession::KeyAction action = session_->keyPressed(keyCode, modifiers);
    const bool space = keyval == IBUS_KEY_space && (modifiers & (Modifier::control | Modifier::alt)) == 0;
    if (action == InputMethodSession::KeyAction::replaced && space) {
        joined_ += " "; // the ending space follows the word, on the same way
    }
    joining_ = false;
    sendJoined();
    switch (action) {
    case InputMethodSession::KeyAction::taken: return take();
    case InputMethodSession::KeyAction::replaced:
        if (space) {
            return take();
        }
        // Return, Tab: the key follows the committed text.
        sendKey(keyval, keycode, state, false);
        sendKey(keyval, keycode, state | IBUS_RELEASE_MASK, false);
        return take();
    case InputMethodSession::KeyAction::pass: break;
    }
    // The layout is this engine's own: a key that types a character in it is committed as that
    // (the system's keymap is plain us).
    const std::optional<KeyboardLayout> layout = session_->host().currentLayout();
    if ((layout && layout->layout == "us" && layout->variant.empty()) ||
        (modifiers & (Modifier::control | Modifier::alt | Modifier::super)) != 0) {
        return false;
    }
    const std::optional<std::string> text =
        layout ? session_->host().translateKey(*layout, keyCode, modifiers) : std::nullopt;
    if (!text || text->empty() || UnicodeText::firstCodePoint(*text) < 0x20 || *text == "\x7f") {
        return false;
    }
    commit(*text);
    return take();
}

void KeyvaneIBusEngine::propertyActivated(IBusEngine* engine, const std::string& name) {
    if (name == layoutProperty && engine == focused_) {
        keyEvent(engine, IBUS_KEY_ISO_Next_Group, 0, 0);
        takenPresses_.erase(0);
    }
}

void KeyvaneIBusEngine::showLayout(IBusEngine* engine) {
    const std::string badge = badgeOf(layout_);
    IBusText* label = ibus_text_new_from_string(badge.c_str());
    IBusText* tooltip = ibus_text_new_from_string("Keyvane");
    IBusProperty* property = ibus_property_new(layoutProperty, PROP_TYPE_NORMAL, label, nullptr, tooltip,
                                               TRUE, TRUE, PROP_STATE_UNCHECKED, nullptr);
    ibus_property_set_symbol(property, ibus_text_new_from_string(badge.c_str()));
    g_object_ref_sink(property);
    IBusPropList* list = ibus_prop_list_new();
    ibus_prop_list_append(list, property);
    ibus_engine_register_properties(engine, list);
    g_object_unref(property);
}

void KeyvaneIBusEngine::selectLayout(const std::string& layout) {
    if (layout == layout_) {
        return;
    }
    layout_ = layout;
    if (focused_ != nullptr) {
        showLayout(focused_);
    }
    session_->host().layoutChanged();
    session_->publishStatus(focused_ != nullptr);
}

double KeyvaneIBusEngine::now() {
    return static_cast<double>(g_get_monotonic_time()) / 1e6;
}

void KeyvaneIBusEngine::schedule(double delaySeconds, std::function<void()> step) {
    auto* call = new std::function<void()>(std::move(step));
    g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<unsigned int>(std::max(0.0, delaySeconds) * 1000),
        [](gpointer data) -> gboolean {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        call, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

std::optional<KeyvaneIBusEngine::Surrounding> KeyvaneIBusEngine::surrounding() {
    if (focused_ == nullptr || (focused_->client_capabilities & IBUS_CAP_SURROUNDING_TEXT) == 0) {
        return std::nullopt;
    }
    IBusText* raw = nullptr;
    unsigned int cursor = 0;
    unsigned int anchor = 0;
    ibus_engine_get_surrounding_text(focused_, &raw, &cursor, &anchor);
    const std::unique_ptr<IBusText, TextDeleter> text(raw);
    if (!text || text->text == nullptr) {
        return std::nullopt;
    }
    Surrounding found{text->text, cursor, anchor};
    auto characters = [&](std::size_t at) {
        if (!countsInBytes(client_)) {
            return std::min(at, UnicodeText::length(found.text));
        }
        at = std::min(at, found.text.size());
        return UnicodeText::length(found.text.substr(0, at));
    };
    found.cursor = characters(found.cursor);
    found.anchor = characters(found.anchor);
    return found;
}

std::optional<std::string> KeyvaneIBusEngine::textBeforeCursor() {
    const std::optional<Surrounding> field = surrounding();
    if (!field) {
        return std::nullopt;
    }
    const char* start = field->text.c_str();
    const char* end = g_utf8_offset_to_pointer(start, static_cast<glong>(field->cursor));
    return std::string(start, end);
}

std::optional<std::string> KeyvaneIBusEngine::selectedText() {
    const std::optional<Surrounding> field = surrounding();
    if (!field) {
        return std::nullopt;
    }
    const std::size_t from = std::min(field->cursor, field->anchor);
    const std::size_t to = std::max(field->cursor, field->anchor);
    const char* start = field->text.c_str();
    const char* first = g_utf8_offset_to_pointer(start, static_cast<glong>(from));
    const char* last = g_utf8_offset_to_pointer(start, static_cast<glong>(to));
    return std::string(first, last);
}

void KeyvaneIBusEngine::deleteBeforeCursor(std::size_t characters) {
    sendJoined(); // text already joined goes first
    order_.send(DeliveryOrder::Way::text, [this, characters] {
        if (focused_ != nullptr) {
            ibus_engine_delete_surrounding_text(focused_, -static_cast<int>(characters),
                                                static_cast<unsigned int>(characters));
        }
    });
}

bool KeyvaneIBusEngine::deletesExactly(const std::string& text) {
    // GNOME Shell passes the count on to Wayland's text-input, which counts bytes, and GTK takes
    // that for characters: only text of one byte a character is deleted exactly there.
    return !countsInBytes(client_) ||
           std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void KeyvaneIBusEngine::sendBackspace() {
    constexpr unsigned int backspaceCode = 14; // evdev
    sendKey(IBUS_KEY_BackSpace, backspaceCode, 0, true);
    sendKey(IBUS_KEY_BackSpace, backspaceCode, IBUS_RELEASE_MASK, true);
}

void KeyvaneIBusEngine::sendJoined() {
    if (!joined_.empty()) {
        const std::string text = std::exchange(joined_, std::string());
        commit(text);
    }
}

void KeyvaneIBusEngine::commit(const std::string& text) {
    if (joining_) {
        joined_ += text;
        return;
    }
    order_.send(DeliveryOrder::Way::text, [this, text] {
        if (focused_ != nullptr) {
            ibus_engine_commit_text(focused_, ibus_text_new_from_string(text.c_str()));
        }
    });
}

} // namespace keyvane
