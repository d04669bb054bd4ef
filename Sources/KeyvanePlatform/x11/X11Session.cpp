// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/X11Session.h"

#include "KeyvanePlatform/x11/ActiveWindow.h"
#include "KeyvanePlatform/x11/FocusTracker.h"
#include "KeyvanePlatform/x11/QtClipboard.h"
#include "KeyvanePlatform/x11/XErrors.h"
#include "KeyvanePlatform/xkb/XkbKeyMaps.h"

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMimeData>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

// Xlib's macros collide with ordinary names.
#undef None
#undef Bool
#undef Status

namespace keyvane {
namespace {

// Shift, Control, Alt, Super, the locks and AltGr change what other keys do; pressed alone they
// type nothing and are no key of a word.
bool isModifierKey(std::uint16_t evdev) {
    switch (evdev) {
    case 29:  // Left Control
    case 42:  // Left Shift
    case 54:  // Right Shift
    case 56:  // Left Alt
    case 58:  // Caps Lock
    case 69:  // Num Lock
    case 97:  // Right Control
    case 100: // Right Alt (AltGr)
    case 125: // Left Super
    case 126: // Right Super
        return true;
    default: return false;
    }
}

// The modifier flags of an X modifier state (Mod1 is Alt, Mod4 Super, Mod5 the third level).
ModifierFlags modifierFlags(unsigned int state) {
    return ((state & ShiftMask) ? Modifier::shift : 0u) | ((state & LockMask) ? Modifier::capsLock : 0u) |
           ((state & ControlMask) ? Modifier::control : 0u) | ((state & Mod1Mask) ? Modifier::alt : 0u) |
           ((state & Mod4Mask) ? Modifier::super : 0u) | ((state & Mod5Mask) ? Modifier::level3 : 0u);
}

} // namespace

namespace {

constexpr unsigned int noSymbol = 0;
// Spare key codes keep their binding this long after their last use.
constexpr double scratchLifetime = 1.0;
// A posted key press that has not come back within this time is forgotten.
constexpr double pendingLifetime = 2.0;

} // namespace

bool X11Session::displayAvailable() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return false;
    }
    XCloseDisplay(display);
    return true;
}

std::unique_ptr<X11Session> X11Session::connect() {
    std::unique_ptr<X11Session> platform(new X11Session());
    if (!platform->open()) {
        return nullptr;
    }
    return platform;
}

bool X11Session::open() {
    clock_.start();
    display_.reset(XOpenDisplay(nullptr));
    if (display_.get() == nullptr) {
        return false;
    }
    XErrors::install();
    int event = 0;
    int error = 0;
    int major = 2;
    int minor = 2;
    if (!XQueryExtension(display_.get(), "XInputExtension", &xiOpcode_, &event, &error) ||
        XIQueryVersion(display_.get(), &major, &minor) != Success || (major * 100 + minor) < 202) {
        return false;
    }
    int xtestEvent = 0, xtestError = 0, xtestMajor = 0, xtestMinor = 0;
    if (!XTestQueryExtension(display_.get(), &xtestEvent, &xtestError, &xtestMajor, &xtestMinor)) {
        return false;
    }
    int xkbOpcode = 0, xkbError = 0, xkbMajor = XkbMajorVersion, xkbMinor = XkbMinorVersion;
    if (!XkbQueryExtension(display_.get(), &xkbOpcode, &xkbEventBase_, &xkbError, &xkbMajor, &xkbMinor)) {
        return false;
    }
    xcb_connection_t* xcb = XGetXCBConnection(display_.get());
    if (xkb_x11_setup_xkb_extension(xcb, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr,
                                    nullptr) != 1) {
        return false;
    }
    coreKeyboard_ = xkb_x11_get_core_keyboard_device_id(xcb);
    if (coreKeyboard_ < 0) {
        return false;
    }
    reloadKeymap();
    if (keyboard_.keymap() == nullptr) {
        return false;
    }
    XkbStateRec state{};
    XkbGetState(display_.get(), XkbUseCoreKbd, &state);
    lockedGroup_ = state.locked_group;
    effectiveMods_ = state.mods;

    // The XTest device: every synthetic key press of any XTest client comes from it.
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display_.get(), XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
        if (devices[i].use == XISlaveKeyboard &&
            std::string(devices[i].name).find("XTEST") != std::string::npos) {
            xtestKeyboard_ = devices[i].deviceid;
        }
    }
    XIFreeDeviceInfo(devices);

    activeWindow_ = std::make_unique<ActiveWindow>(display_.get());
    // The root window tells of focus moves from and to PointerRoot, and of grabs then.
    XSelectInput(display_.get(), DefaultRootWindow(display_.get()), PropertyChangeMask | FocusChangeMask);
    focus_ = std::make_unique<FocusTracker>(display_.get());
    trackFocus();

    scratch_.find(display_.get(), keyboard_.keymap());
    XFlush(display_.get());

    notifier_ = new QSocketNotifier(ConnectionNumber(display_.get()), QSocketNotifier::Read);
    QObject::connect(notifier_, &QSocketNotifier::activated, [this] { processEvents(); });
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
        // Xlib may have read events into its queue during a request: handle them before sleeping.
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, notifier_,
                         [this] { processEvents(); });
    }
    return true;
}

void X11Session::Release::operator()(Display* display) const {
    XCloseDisplay(display);
}

X11Session::~X11Session() {
    // The notifier is the context of every pending step: deleting it cancels them all.
    delete notifier_;
    notifier_ = nullptr;
    if (display_) {
        restoreScratchKeycodes(); // the handles themselves are released by their owners
    }
}

void X11Session::reloadKeymap() {
    if (!keyboard_.reload(display_.get(), coreKeyboard_)) {
        return;
    }
    // A new keyboard description can come with a new event selection: select again. The group
    // and modifiers are only ever taken from the event stream, in order with the key presses they
    // apply to (a fresh query would run ahead of key presses still waiting in the queue).
    XkbSelectEvents(display_.get(), XkbUseCoreKbd,
                    XkbStateNotifyMask | XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbStateNotifyMask | XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
    drainSoon();
}

double X11Session::now() {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e9;
}

void X11Session::schedule(double delaySeconds, std::function<void()> step) {
    if (notifier_ == nullptr) {
        return;
    }
    QTimer::singleShot(static_cast<int>(std::max(0.0, delaySeconds) * 1000.0 + 0.5), notifier_,
                       std::move(step));
}

std::optional<PlatformServices::MonitorHandle> X11Session::addGlobalKeyMonitor(KeyHandler handler) {
    if (monitors_.empty()) {
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawButtonPress);
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
        XISelectEvents(display_.get(), DefaultRootWindow(display_.get()), &mask, 1);
        XFlush(display_.get());
    }
    monitors_[nextHandle_] = std::move(handler);
    return nextHandle_++;
}

void X11Session::removeKeyMonitor(MonitorHandle handle) {
    monitors_.erase(handle);
    if (monitors_.empty()) {
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
        XISelectEvents(display_.get(), DefaultRootWindow(display_.get()), &mask, 1);
        XFlush(display_.get());
    }
}

void X11Session::drainSoon() {
    // A request that waited for a reply may have read events into Xlib's queue, where the socket
    // notifier no longer sees them: handle them on the next turn of the loop.
    if (notifier_ != nullptr && XQLength(display_.get()) > 0) {
        QTimer::singleShot(0, notifier_, [this] { processEvents(); });
    }
}

void X11Session::processEvents() {
    // Handlers may call back into the platform; events must still be handled one at a time, in order.
    // While keys are held, everything waits in the queue: the held keys are seen when they are let
    // through, in the layout that is active then, as the application sees them.
    if (processing_ || holding_) {
        if (holding_) {
            drainDisplay();
        }
        return;
    }
    processing_ = true;
    drainDisplay();
    while (!queue_.empty() && !holding_) {
        Queued item = queue_.front();
        queue_.pop_front();
        dispatch(item);
        drainDisplay();
    }
    processing_ = false;
}

void X11Session::drainDisplay() {
    while (XPending(display_.get()) > 0) {
        XEvent event;
        XNextEvent(display_.get(), &event);
        if (event.xcookie.type == GenericEvent && event.xcookie.extension == xiOpcode_ &&
            XGetEventData(display_.get(), &event.xcookie)) {
            if (event.xcookie.evtype == XI_RawKeyPress) {
                auto* raw = static_cast<XIRawEvent*>(event.xcookie.data);
                const bool held = holdGrabsActive_ && std::find(heldDevices_.begin(), heldDevices_.end(),
                                                                raw->sourceid) != heldDevices_.end();
                if (!held) { // a held press is seen when it is replayed
                    Queued item{Queued::Kind::rawKey};
                    item.keycode = static_cast<unsigned int>(raw->detail);
                    item.source = raw->sourceid;
                    queue_.push_back(item);
                }
            } else if (event.xcookie.evtype == XI_RawButtonPress) {
                auto* raw = static_cast<XIRawEvent*>(event.xcookie.data);
                if (raw->detail < 4 || raw->detail > 7) { // the wheel moves no cursor
                    queue_.push_back(Queued{Queued::Kind::button});
                }
            } else if (holding_ &&
                       (event.xcookie.evtype == XI_KeyPress || event.xcookie.evtype == XI_KeyRelease)) {
                auto* device = static_cast<XIDeviceEvent*>(event.xcookie.data);
                heldKeys_.emplace_back(static_cast<unsigned int>(device->detail),
                                       event.xcookie.evtype == XI_KeyPress);
            }
            XFreeEventData(display_.get(), &event.xcookie);
        } else if (event.type == xkbEventBase_) {
            auto* xkb = reinterpret_cast<XkbEvent*>(&event);
            if (xkb->any.xkb_type == XkbStateNotify) {
                Queued item{Queued::Kind::state};
                item.mods = xkb->state.mods;
                item.group = static_cast<unsigned int>(xkb->state.locked_group);
                queue_.push_back(item);
            } else if (xkb->any.xkb_type == XkbNewKeyboardNotify || xkb->any.xkb_type == XkbMapNotify) {
                queue_.push_back(Queued{Queued::Kind::keymap});
            }
        } else if (event.type == KeyPress) {
            if (auto id = hotkeys_.idFor(event.xkey.keycode, event.xkey.state)) {
                Queued item{Queued::Kind::hotkey};
                item.hotkeyID = *id;
                queue_.push_back(item);
            }
        } else if (event.type == PropertyNotify && activeWindow_ &&
                   event.xproperty.atom == activeWindow_->atom()) {
            queue_.push_back(Queued{Queued::Kind::activeWindow});
        } else if (event.type == FocusIn || event.type == FocusOut) {
            Queued item{event.type == FocusIn ? Queued::Kind::focusIn : Queued::Kind::focusOut};
            item.focusMode = event.xfocus.mode;
            item.focusDetail = event.xfocus.detail;
            item.window = event.xfocus.window;
            queue_.push_back(item);
        }
    }
}

void X11Session::dispatch(const Queued& item) {
    switch (item.kind) {
    case Queued::Kind::rawKey: handleRawKeyPress(item.keycode, item.source); break;
    case Queued::Kind::state:
        lockedGroup_ = item.group;
        effectiveMods_ = item.mods;
        break;
    case Queued::Kind::keymap: reloadKeymap(); break;
    case Queued::Kind::hotkey:
        if (hotkeyHandler_) {
            const int id = item.hotkeyID;
            QTimer::singleShot(0, notifier_, [this, id] { hotkeyHandler_(id); });
        }
        break;
    case Queued::Kind::activeWindow:
        trackFocus();
        if (auto app = frontmostApplication()) {
            for (auto& handler : activationHandlers_) {
                handler(*app);
            }
        }
        break;
    case Queued::Kind::button: {
        auto handlers = pointerHandlers_;
        for (auto& handler : handlers) {
            handler();
        }
        break;
    }
    case Queued::Kind::focusIn:
    case Queued::Kind::focusOut: handleFocusEvent(item); break;
    }
}

void X11Session::handleFocusEvent(const Queued& item) {
    if (focus_ &&
        focus_->handle(item.kind == Queued::Kind::focusOut, item.focusMode, item.focusDetail, item.window)) {
        auto handlers = focusHandlers_;
        for (auto& handler : handlers) {
            handler();
        }
    }
    drainSoon();
}

void X11Session::trackFocus() {
    if (focus_) {
        focus_->follow();
        drainSoon();
    }
}

bool X11Session::isOwnShortcut(unsigned int xkeycode, unsigned int mods) const {
    return hotkeys_.idFor(xkeycode, mods).has_value();
}

std::optional<std::vector<std::string>> X11Session::beginHoldingKeys() {
    if (holding_) {
        return std::vector<std::string>{};
    }
    holding_ = true;
    const long long generation = ++holdGeneration_;
    // The physical keyboards are grabbed so that their keys come to us and are let through later.
    // (The server is grabbed only for the moment of a snapshot, never across a turn of the event
    // loop: this process's own Qt connection may need it meanwhile.)
    XGrabServer(display_.get());
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display_.get(), XIAllDevices, &count);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    XIEventMask mask{0, static_cast<int>(sizeof bits), bits};
    for (int i = 0; i < count; ++i) {
        if (devices[i].use == XISlaveKeyboard && devices[i].deviceid != xtestKeyboard_) {
            mask.deviceid = devices[i].deviceid;
            if (XIGrabDevice(display_.get(), devices[i].deviceid, DefaultRootWindow(display_.get()),
                             CurrentTime, 0, XIGrabModeAsync, XIGrabModeAsync, False, &mask) == Success) {
                heldDevices_.push_back(devices[i].deviceid);
            }
        }
    }
    XIFreeDeviceInfo(devices);
    XSync(display_.get(), False);
    drainDisplay();
    // Everything queued so far reached the applications; from here on held devices' presses wait.
    holdGrabsActive_ = true;
    holdQueueMark_ = queue_.size();
    XUngrabServer(display_.get());
    XFlush(display_.get());
    // Never hold longer than this, whatever happens to the replacement.
    schedule(0.5, [this, generation] {
        if (holding_ && holdGeneration_ == generation) {
            endHoldingKeys();
        }
    });
    // Key presses of the user already received by the server after the one being handled now.
    return textOfQueuedKeys(0, lockedGroup_, effectiveMods_);
}

std::optional<std::vector<std::string>> X11Session::textOfQueuedKeys(std::size_t from, unsigned int group,
                                                                     unsigned int mods) const {
    std::vector<std::string> typed;
    std::deque<Pending> ours = pending_;
    for (std::size_t i = 0; i < queue_.size(); ++i) {
        const Queued& item = queue_[i];
        if (item.kind == Queued::Kind::state) {
            group = item.group;
            mods = item.mods;
            continue;
        }
        if (item.kind != Queued::Kind::rawKey) {
            continue;
        }
        if (item.source == xtestKeyboard_ && !ours.empty() && ours.front().keycode == item.keycode) {
            ours.pop_front();
            continue; // the program's own
        }
        if (i < from) {
            continue;
        }
        const std::uint16_t evdev = static_cast<std::uint16_t>(item.keycode - 8);
        if (isModifierKey(evdev)) {
            continue;
        }
        if (evdev == KeyCode::space) {
            typed.emplace_back(" ");
            continue;
        }
        if (isOwnShortcut(item.keycode, mods)) {
            continue; // grabbed by this program: it never reached the application
        }
        if ((mods & (ControlMask | Mod1Mask | Mod4Mask)) != 0 || group >= keyboard_.groupCount()) {
            return std::nullopt; // a shortcut already acted on the text
        }
        auto text = const_cast<X11Session*>(this)->keyboard_.translate(group, evdev, modifierFlags(mods));
        if (!text || text->empty() || static_cast<unsigned char>((*text)[0]) < 0x20 || *text == "\x7f") {
            return std::nullopt; // Return, Backspace, arrows and other editing keys
        }
        typed.push_back(*text);
    }
    return typed;
}

std::optional<PlatformServices::LateKeys> X11Session::catchUpHeldKeys() {
    if (!holding_) {
        return LateKeys{};
    }
    // From here to the end of the hold no other client's request is served, so nothing can land
    // between the replacement and the keys replayed after it. The caller types at once, in this
    // turn of the event loop, and ends the hold.
    XGrabServer(display_.get());
    serverGrabbed_ = true;
    XSync(display_.get(), False);
    drainDisplay();
    // The keyboards go back to their master before anything is typed: a key still held down on a
    // grabbed keyboard would otherwise swallow the same key typed now.
    for (int device : heldDevices_) {
        XIUngrabDevice(display_.get(), device, CurrentTime);
    }
    heldDevices_.clear();
    XSync(display_.get(), False);
    drainDisplay();
    XkbStateRec state{};
    XkbGetState(display_.get(), XkbUseCoreKbd, &state);
    typingState_ =
        std::make_pair(static_cast<unsigned int>(state.locked_group), static_cast<unsigned int>(state.mods));
    // Keys the user (or another XTest client) still holds down: pressing one of them again would
    // be taken for the same key held, and its character lost. Those characters take a spare key.
    XQueryKeymap(display_.get(), keysDown_.data());
    // Keys of other XTest clients (on-screen keyboards, xdotool) reached the application during the
    // hold, after the erase: erase them too and type them again after the replacement.
    auto late = textOfQueuedKeys(holdQueueMark_, lockedGroup_, effectiveMods_);
    if (!late) {
        return std::nullopt;
    }
    LateKeys keys;
    keys.erase = late->size();
    for (const std::string& c : *late) {
        keys.text += c;
    }
    return keys;
}

void X11Session::endHoldingKeys() {
    if (!holding_) {
        return;
    }
    if (!serverGrabbed_) {
        XGrabServer(display_.get());
        serverGrabbed_ = true;
    }
    for (int device : heldDevices_) {
        XIUngrabDevice(display_.get(), device, CurrentTime);
    }
    heldDevices_.clear();
    // The held physical keys, in their order, after everything posted meanwhile. They are seen by
    // the key monitor as they come back, in the layout active now, as the application sees them.
    for (const auto& [keycode, press] : heldKeys_) {
        fakeKey(keycode, press, /*ours=*/false);
    }
    heldKeys_.clear();
    holding_ = false;
    holdGrabsActive_ = false;
    typingState_.reset();
    XUngrabServer(display_.get());
    serverGrabbed_ = false;
    XFlush(display_.get());
    if (notifier_ != nullptr) {
        QTimer::singleShot(0, notifier_, [this] { processEvents(); });
    }
}

void X11Session::handleRawKeyPress(unsigned int xkeycode, int sourceDevice) {
    bool ours = false;
    if (sourceDevice == xtestKeyboard_) {
        const double t = now();
        while (!pending_.empty() && t - pending_.front().postedAt > pendingLifetime) {
            pending_.pop_front();
        }
        // Our own presses come back in posting order; another XTest client's press does not
        // match the oldest one we are waiting for, and stays the user's.
        if (!pending_.empty() && pending_.front().keycode == xkeycode) {
            pending_.pop_front();
            ours = true;
        }
    }
    const std::uint16_t evdev = static_cast<std::uint16_t>(xkeycode - 8);
    if (xkeycode < 8 || isModifierKey(evdev) || monitors_.empty()) {
        return;
    }
    KeyDown press;
    press.keyCode = evdev;
    press.modifiers = modifierFlags(effectiveMods_);
    press.ownShortcut = isOwnShortcut(xkeycode, effectiveMods_);
    if (ours) {
        press.userData = syntheticEventMarker;
    }
    auto monitors = monitors_;
    for (auto& [handle, handler] : monitors) {
        handler(press);
    }
}

std::vector<LayoutKeyMaps> X11Session::keyMapsBetweenLayouts() {
    return keyboard_.mapsBetweenLayouts();
}

std::optional<std::vector<KeyboardLayout>> X11Session::enabledLayouts() {
    if (keyboard_.keymap() == nullptr) {
        return std::nullopt;
    }
    return keyboard_.layouts();
}

std::optional<unsigned int> X11Session::currentGroup() {
    if (lockedGroup_ >= keyboard_.groupCount()) {
        return std::nullopt;
    }
    return lockedGroup_;
}

std::optional<KeyboardLayout> X11Session::currentLayout() {
    auto group = currentGroup();
    return group && *group < keyboard_.layouts().size()
               ? std::optional<KeyboardLayout>(keyboard_.layouts()[*group])
               : std::nullopt;
}

std::optional<KeyboardLayout> X11Session::layoutInUse() {
    return currentLayout();
}

int X11Session::selectLayout(const KeyboardLayout& source) {
    auto group = keyboard_.groupOf(source);
    if (!group) {
        return -1;
    }
    if (!XkbLockGroup(display_.get(), XkbUseCoreKbd, *group)) {
        return -2;
    }
    XFlush(display_.get());
    drainSoon();
    return 0;
}

std::optional<std::string> X11Session::translateKey(const KeyboardLayout& source, std::uint16_t keyCode,
                                                    ModifierFlags modifiers) {
    auto group = keyboard_.groupOf(source);
    return group ? keyboard_.translate(*group, keyCode, modifiers) : std::nullopt;
}

std::optional<unsigned int> X11Session::keycodeFor(unsigned int keysym, unsigned int group,
                                                   unsigned int* level) const {
    const xkb_keycode_t min = xkb_keymap_min_keycode(keyboard_.keymap());
    const xkb_keycode_t max = xkb_keymap_max_keycode(keyboard_.keymap());
    for (unsigned int wantedLevel = 0; wantedLevel < 2; ++wantedLevel) {
        for (xkb_keycode_t kc = min; kc <= max; ++kc) {
            if (scratch_.contains(kc)) {
                continue;
            }
            const xkb_keysym_t* syms = nullptr;
            int n = xkb_keymap_key_get_syms_by_level(keyboard_.keymap(), kc, group, wantedLevel, &syms);
            if (n == 1 && syms[0] == keysym) {
                *level = wantedLevel;
                return kc;
            }
        }
    }
    return std::nullopt;
}

unsigned int X11Session::scratchKeycodeFor(unsigned int keysym) {
    lastScratchUse_ = now();
    const unsigned int kc = scratch_.bind(display_.get(), keysym);
    drainSoon();
    if (!restoreScheduled_) {
        restoreScheduled_ = true;
        scheduleScratchRestore(scratchLifetime);
    }
    return kc;
}

void X11Session::scheduleScratchRestore(double delay) {
    // Applications read a press made with a spare key some time after it was typed, with the
    // binding they find then: the spare keys are given back only a while after their last use.
    schedule(delay, [this] {
        const double idle = now() - lastScratchUse_;
        if (idle < scratchLifetime) {
            scheduleScratchRestore(scratchLifetime - idle);
            return;
        }
        restoreScheduled_ = false;
        restoreScratchKeycodes();
    });
}

void X11Session::restoreScratchKeycodes() {
    scratch_.restore(display_.get());
    drainSoon();
}

void X11Session::fakeKey(unsigned int xkeycode, bool press, bool ours) {
    if (press && ours) {
        pending_.push_back({xkeycode, now()});
    }
    XTestFakeKeyEvent(display_.get(), xkeycode, press ? True : False, CurrentTime);
}

void X11Session::typeCodePoint(char32_t codePoint, bool press) {
    unsigned int keysym = codePoint == U'\n' || codePoint == U'\r' ? XK_Return
                          : codePoint == U'\t'                     ? XK_Tab
                          : codePoint == U'\b'                     ? XK_BackSpace
                                                                   : xkb_utf32_to_keysym(codePoint);
    if (keysym == noSymbol) {
        return;
    }
    unsigned int level = 0;
    auto group = typingState_ ? typingState_->first : currentGroup().value_or(0);
    const unsigned int mods = typingState_ ? typingState_->second : effectiveMods_;
    // A key of the current layout when no modifier would change what it types.
    bool plain = (mods & (ShiftMask | LockMask | ControlMask | Mod1Mask | Mod4Mask | Mod5Mask)) == 0;
    std::optional<unsigned int> kc = plain ? keycodeFor(keysym, group, &level) : std::nullopt;
    if (kc && typingState_ && (keysDown_[*kc / 8] & (1 << (*kc % 8))) != 0) {
        kc.reset();
    }
    if (kc && level == 1) {
        unsigned int shift = XKeysymToKeycode(display_.get(), XK_Shift_L);
        if (press) {
            fakeKey(shift, true);
            fakeKey(*kc, true);
        } else {
            fakeKey(*kc, false);
            fakeKey(shift, false);
        }
        return;
    }
    if (!kc && !scratch_.empty()) {
        kc = scratchKeycodeFor(keysym);
    }
    if (kc) {
        fakeKey(*kc, press);
    }
}

void X11Session::postKeyEvent(const SyntheticKeyEvent& event) {
    std::vector<unsigned int> modifiers;
    if (event.controlHeld) {
        modifiers.push_back(XKeysymToKeycode(display_.get(), XK_Control_L));
    }
    if (event.shiftHeld) {
        modifiers.push_back(XKeysymToKeycode(display_.get(), XK_Shift_L));
    }
    if (event.keyDown) {
        for (unsigned int m : modifiers) {
            fakeKey(m, true);
        }
    }
    if (event.unicodeText) {
        // Each code point of the character in turn (a combining sequence arrives whole).
        const std::string& text = *event.unicodeText;
        std::u32string codePoints =
            QString::fromUtf8(text.data(), static_cast<int>(text.size())).toStdU32String();
        for (char32_t cp : codePoints) {
            typeCodePoint(cp, event.keyDown);
        }
    } else if (event.keyCode != 0) {
        fakeKey(event.keyCode + 8u, event.keyDown);
    }
    if (!event.keyDown) {
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) {
            fakeKey(*it, false);
        }
    }
    XFlush(display_.get());
    drainSoon();
}

std::optional<FrontmostApplication> X11Session::frontmostApplication() {
    if (!activeWindow_) {
        return std::nullopt;
    }
    auto app = activeWindow_->application();
    drainSoon();
    return app;
}

bool X11Session::registerHotkey(int id, std::uint16_t keyCode, ModifierFlags modifiers) {
    const bool taken = hotkeys_.grab(display_.get(), id, keyCode, modifiers);
    drainSoon();
    return taken;
}

void X11Session::unregisterHotkeys() {
    hotkeys_.ungrabAll(display_.get());
    drainSoon();
}

void X11Session::onApplicationActivated(std::function<void(const FrontmostApplication&)> handler) {
    activationHandlers_.push_back(std::move(handler));
}

void X11Session::openURL(const std::string& url) {
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

ClipboardContents X11Session::clipboardContents(ClipboardKind kind) {
    return QtClipboard::contents(kind);
}

void X11Session::setClipboardContents(const ClipboardContents& contents, ClipboardKind kind) {
    QtClipboard::setContents(contents, kind);
}

} // namespace keyvane
