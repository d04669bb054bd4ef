// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneInputMethod/InputMethodHost.h"

#include "Keyvane/app/AppLog.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvanePlatform/xkb/XkbKeyMaps.h"

#include <xkbcommon/xkbcommon.h>

namespace keyvane {

const std::vector<KeyboardLayout>& InputMethodHost::defaultLayouts() {
    static const std::vector<KeyboardLayout> all = {
        {0, "us", "", "English (US)", Language::en},
        {1, "ru", "", "Russian", Language::ru},
        {2, "ua", "", "Ukrainian", Language::uk},
    };
    return all;
}

std::vector<KeyboardLayout> InputMethodHost::layoutsFor(const std::vector<std::string>& userLayouts) {
    std::vector<KeyboardLayout> layouts = defaultLayouts();
    for (KeyboardLayout& layout : layouts) {
        for (const std::string& user : userLayouts) {
            const std::size_t plus = user.find('+');
            if (user.substr(0, plus) == layout.layout) {
                if (plus != std::string::npos && plus + 1 < user.size()) {
                    layout.variant = user.substr(plus + 1);
                    layout.name += " (" + layout.variant + ")";
                }
                break;
            }
        }
    }
    return layouts;
}

void InputMethodHost::KeymapDeleter::operator()(xkb_keymap* keymap) const {
    xkb_keymap_unref(keymap);
}

void InputMethodHost::StateDeleter::operator()(xkb_state* state) const {
    xkb_state_unref(state);
}

InputMethodHost::InputMethodHost(InputMethodFrontend& frontend, std::vector<KeyboardLayout> layouts)
    : frontend_(frontend)
    , layouts_(std::move(layouts)) {
    std::string names;
    std::string variants;
    for (const KeyboardLayout& layout : layouts_) {
        names += (names.empty() ? "" : ",") + layout.layout;
        variants += (&layout == &layouts_.front() ? "" : ",") + layout.variant;
    }
    keymap_.reset(XkbKeyMaps::compile(names, variants).release());
    if (!keymap_ && variants != std::string(layouts_.size() - 1, ',')) {
        // A variant the XKB data does not know: the layouts as they come by default.
        appLog("[Keyvane] Unknown layout variants \"" + variants + "\": the default layouts are used");
        layouts_ = defaultLayouts();
        keymap_.reset(XkbKeyMaps::compile("us,ru,ua", ",,").release());
    }
    if (keymap_) {
        state_.reset(xkb_state_new(keymap_.get()));
    }
    std::string ids;
    for (const KeyboardLayout& layout : layouts_) {
        ids += (ids.empty() ? "" : ", ") + layout.id();
    }
    appLog("[Keyvane] Layouts typed: " + ids);
}

std::vector<LayoutKeyMaps> InputMethodHost::keyMapsBetweenLayouts() {
    std::vector<LayoutKeyMaps> maps;
    if (!keymap_) {
        return maps;
    }
    for (GroupKeyMaps& between : XkbKeyMaps::betweenGroups(keymap_.get())) {
        if (between.fromGroup < layouts_.size() && between.toGroup < layouts_.size()) {
            maps.push_back(LayoutKeyMaps{layouts_[between.fromGroup], layouts_[between.toGroup],
                                         std::move(between.lower), std::move(between.shift)});
        }
    }
    return maps;
}

InputMethodHost::~InputMethodHost() = default;

void InputMethodHost::focusIn(FocusedField field, const std::string& program) {
    // Decided anew for every field: nothing of the field before carries over.
    field_ = field;
    const bool otherProgram = program != program_;
    program_ = program;
    focusHandlers_.call();
    // A field of no named program is announced too: what was in front is not any more.
    if (otherProgram) {
        const FrontmostApplication app = frontmostApplication().value_or(FrontmostApplication{});
        activationHandlers_.call(app);
    }
}

void InputMethodHost::fieldChanged(FocusedField field) {
    if (field != field_) {
        field_ = field;
        focusHandlers_.call(); // a word begun in the field as it was is no word of the new one
    }
}

void InputMethodHost::focusOut() {
    field_ = FocusedField::asking; // no field: nothing is read until the next one says what it is
    focusHandlers_.call();
}

void InputMethodHost::reset() {
    afterReset_ = true;
    resetHandlers_.call();
}

void InputMethodHost::layoutChanged() {
    layoutHandlers_.call();
}

bool InputMethodHost::isModifierKey(std::uint16_t keyCode) const {
    if (!keymap_) {
        return false;
    }
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap_.get(), static_cast<xkb_keycode_t>(keyCode + 8),
                                                       0, 0, &symbols);
    if (count != 1) {
        return false;
    }
    const xkb_keysym_t symbol = symbols[0];
    return (symbol >= XKB_KEY_Shift_L && symbol <= XKB_KEY_Hyper_R) ||
           (symbol >= XKB_KEY_ISO_Lock && symbol <= XKB_KEY_ISO_Last_Group_Lock) ||
           symbol == XKB_KEY_Mode_switch || symbol == XKB_KEY_Num_Lock;
}

InputMethodHost::KeyVerdict InputMethodHost::keyPressed(std::uint16_t keyCode, ModifierFlags modifiers) {
    if (isModifierKey(keyCode)) {
        return KeyVerdict::pass; // Control or Shift alone types nothing and moves nothing
    }
    replaced_ = false;
    // The first key after the cursor moved: when the field shows other text right before the
    // cursor, the word typed now continues that text ("ghb", Left, Right, "dtn") and is no word
    // of its own, so it goes unread to its end, as keys of a field not yet known do.
    const FocusedField field = field_;
    if (afterReset_) {
        afterReset_ = false;
        const std::optional<std::string> before = frontend_.textBeforeCursor();
        if (fieldIsRead() && before && !before->empty() &&
            !UnicodeText::isWhitespace(UnicodeText::graphemes(*before).back())) {
            field_ = FocusedField::asking;
        }
    }
    if (monitor_) {
        (*monitor_)(KeyDown{keyCode, modifiers, std::nullopt, false});
    }
    field_ = field;
    switch (keyCode) {
    case KeyCode::left:
    case KeyCode::right:
    case KeyCode::up:
    case KeyCode::down:
    case KeyCode::home:
    case KeyCode::end:
    case KeyCode::pageUp:
    case KeyCode::pageDown:
    case KeyCode::deleteKey: afterReset_ = true; break; // the cursor moved, or text went unseen
    default: break;
    }
    const bool replaced = replaced_;
    replaced_ = false;
    return replaced ? KeyVerdict::hold : KeyVerdict::pass;
}

std::optional<PlatformServices::MonitorHandle> InputMethodHost::addGlobalKeyMonitor(KeyHandler handler) {
    if (!keymap_) {
        return std::nullopt; // without the XKB data, keys cannot be read as characters
    }
    monitor_ = std::move(handler);
    return MonitorHandle{1};
}

void InputMethodHost::removeKeyMonitor(MonitorHandle /*handle*/) {
    monitor_.reset();
}

std::optional<KeyboardLayout> InputMethodHost::currentLayout() {
    const std::string current = frontend_.currentLayout();
    for (const KeyboardLayout& layout : layouts_) {
        if (layout.layout == current) {
            return layout;
        }
    }
    return std::nullopt;
}

int InputMethodHost::selectLayout(const KeyboardLayout& layout) {
    frontend_.selectLayout(layout.layout);
    return 0;
}

std::optional<std::string> InputMethodHost::translateKey(const KeyboardLayout& layout, std::uint16_t keyCode,
                                                         ModifierFlags modifiers) {
    if (!state_) {
        return std::nullopt;
    }
    xkb_mod_mask_t depressed = 0;
    xkb_mod_mask_t locked = 0;
    auto mask = [&](const char* name) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap_.get(), name);
        return index == XKB_MOD_INVALID ? 0u : (1u << index);
    };
    if ((modifiers & Modifier::shift) != 0) {
        depressed |= mask(XKB_MOD_NAME_SHIFT);
    }
    if ((modifiers & Modifier::capsLock) != 0) {
        locked |= mask(XKB_MOD_NAME_CAPS);
    }
    if ((modifiers & Modifier::level3) != 0) {
        depressed |= mask("Mod5");
    }
    xkb_state_update_mask(state_.get(), depressed, 0, locked, 0, 0, layout.group);
    char text[16] = {};
    const int size =
        xkb_state_key_get_utf8(state_.get(), static_cast<xkb_keycode_t>(keyCode + 8), text, sizeof text);
    if (size <= 0 || static_cast<std::size_t>(size) >= sizeof text) {
        return std::nullopt;
    }
    return std::string(text, static_cast<std::size_t>(size));
}

bool InputMethodHost::replaceBeforeCursor(const std::string& typed, const std::string& text) {
    const std::size_t length = UnicodeText::length(typed);
    // The field's own text lags behind the keys: it is used only when it shows the typed word right
    // before the cursor; otherwise the word is erased key by key. Never both in one replacement.
    const std::optional<std::string> before = frontend_.textBeforeCursor();
    if (before && before->size() >= typed.size() &&
        before->compare(before->size() - typed.size(), typed.size(), typed) == 0 &&
        frontend_.deletesExactly(typed)) {
        appLog("[Keyvane] Replacement: the word deleted through the field's text");
        frontend_.deleteBeforeCursor(length);
    } else {
        appLog("[Keyvane] Replacement: the word erased by " + std::to_string(length) + " BackSpace keys");
        for (std::size_t i = 0; i < length; ++i) {
            frontend_.sendBackspace();
        }
    }
    frontend_.commit(text);
    replaced_ = true;
    return true;
}

std::optional<std::string> InputMethodHost::selectedText() {
    if (!fieldIsRead()) {
        return std::nullopt; // the converter refuses such fields before it asks
    }
    return frontend_.selectedText();
}

bool InputMethodHost::replaceSelection(const std::string& text) {
    // A committed text takes the place of the field's selection, as typing over it does.
    frontend_.commit(text);
    return true;
}

void InputMethodHost::postKeyEvent(const SyntheticKeyEvent& event) {
    if (!event.keyDown) {
        return;
    }
    if (event.unicodeText) {
        frontend_.commit(*event.unicodeText);
    } else if (event.keyCode == KeyCode::backspace) {
        frontend_.sendBackspace();
    }
}

std::optional<FrontmostApplication> InputMethodHost::frontmostApplication() {
    if (program_.empty()) {
        return std::nullopt;
    }
    return FrontmostApplication{program_, program_, std::nullopt, program_};
}

} // namespace keyvane
