// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/X11Session.h"

#include "KeyvanePlatform/x11/ActiveWindow.h"
#include "KeyvanePlatform/x11/FocusTracker.h"
#include "KeyvanePlatform/x11/QtClipboard.h"
#include "KeyvanePlatform/x11/XErrors.h"

#include <QAbstractEventDispatcher>
#include <QDesktopServices>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <algorithm>
#include <utility>
#include <xkbcommon/xkbcommon-x11.h>

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
    queue_ = std::make_unique<EventQueue>(display_.get(), xiOpcode_, xkbEventBase_, activeWindow_->atom(),
                                          hotkeys_, hold_);
    // The root window tells of focus moves from and to PointerRoot, and of grabs then.
    XSelectInput(display_.get(), DefaultRootWindow(display_.get()), PropertyChangeMask | FocusChangeMask);
    focus_ = std::make_unique<FocusTracker>(display_.get());
    // Password fields are told by the accessibility bus; without one, focusedField() says so.
    auto accessibility = std::make_unique<AccessibilityWatcher>([this] { notifyFocusChanged(); });
    if (accessibility->start()) {
        accessibility_ = std::move(accessibility);
    }
    trackFocus();

    injector_ =
        std::make_unique<KeyInjector>(display_.get(), keyboard_,
                                      KeyInjector::Hooks{[this] { return now(); },
                                                         [this](double delay, std::function<void()> step) {
                                                             later(delay, std::move(step));
                                                         },
                                                         [this] { drainSoon(); }, [this] { retellGroup(); }});
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

Registration X11Session::schedule(double delaySeconds, std::function<void()> step) {
    // A single-shot timer cannot be taken back: a cancelled step does nothing when it is due.
    CancellableStep cancellable = Scheduler::cancellable(std::move(step));
    later(delaySeconds, std::move(cancellable.run));
    return std::move(cancellable.handle);
}

void X11Session::later(double delaySeconds, std::function<void()> step) {
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
        XSync(display_.get(), False); // every key from here on is seen
        drainSoon();
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
    if (processing_ || hold_.active()) {
        if (hold_.active()) {
            drainDisplay();
        }
        return;
    }
    processing_ = true;
    drainDisplay();
    while (!queue_->empty() && !hold_.active()) {
        dispatch(queue_->pop());
        drainDisplay();
    }
    processing_ = false;
}

void X11Session::drainDisplay() {
    queue_->readPending();
}

void X11Session::dispatch(const QueuedEvent& item) {
    switch (item.kind) {
    case QueuedEvent::Kind::rawKey: handleRawKeyPress(item.keycode, item.source); break;
    case QueuedEvent::Kind::state:
        if (item.group != lockedGroup_ && !layoutHandlers_.empty()) {
            // Told from the event loop, once this event's work is done.
            QTimer::singleShot(0, notifier_, [this] { layoutHandlers_.call(); });
        }
        lockedGroup_ = item.group;
        effectiveMods_ = item.mods;
        break;
    case QueuedEvent::Kind::keymap: reloadKeymap(); break;
    case QueuedEvent::Kind::hotkey:
        if (!hotkeyHandlers_.empty()) {
            const int id = item.hotkeyID;
            QTimer::singleShot(0, notifier_, [this, id] { hotkeyHandlers_.call(id); });
        }
        break;
    case QueuedEvent::Kind::activeWindow:
        trackFocus();
        if (auto app = frontmostApplication()) {
            activationHandlers_.call(*app);
        }
        break;
    case QueuedEvent::Kind::button: {
        if (accessibility_) {
            accessibility_->focusMayMove(); // a click may put the focus in another field
        }
        pointerHandlers_.call();
        if (item.button == Button2 || item.button == Button3) { // a paste, or a menu that may paste
            pasteHandlers_.call();
        }
        break;
    }
    case QueuedEvent::Kind::focusIn:
    case QueuedEvent::Kind::focusOut: handleFocusEvent(item); break;
    }
}

void X11Session::handleFocusEvent(const QueuedEvent& item) {
    if (focus_ && focus_->handle(item.kind == QueuedEvent::Kind::focusOut, item.focusMode, item.focusDetail,
                                 item.window)) {
        notifyFocusChanged();
        followActiveProcess();
    }
    drainSoon();
}

void X11Session::followActiveProcess() {
    if (accessibility_ && activeWindow_) {
        accessibility_->setActiveProcess(activeWindow_->processID());
    }
}

void X11Session::notifyFocusChanged() {
    focusHandlers_.call();
}

void X11Session::trackFocus() {
    if (focus_) {
        focus_->follow();
        drainSoon();
    }
    followActiveProcess();
    drainSoon();
}

bool X11Session::isOwnShortcut(unsigned int xkeycode, unsigned int mods) const {
    return hotkeys_.idFor(xkeycode, mods).has_value();
}

std::optional<std::vector<std::string>>
X11Session::beginHoldingKeys(const std::optional<KeyboardLayout>& readIn) {
    if (hold_.active()) {
        return std::vector<std::string>{};
    }
    const long long number = hold_.start();
    // The physical keyboards are grabbed so that their keys come to us and are let through later.
    // The server is grabbed from the snapshot until the erase is posted, so that another program's
    // key (typed through XTest, which cannot be held) lands before the snapshot or after the erase,
    // never between them where the erase would take it for the word. It is never grabbed across a
    // turn of the event loop: this process's own Qt connection may need it meanwhile.
    XGrabServer(display_.get());
    serverGrabbed_ = true;
    hold_.grabKeyboards(display_.get(), xtestKeyboard_);
    XSync(display_.get(), False);
    drainDisplay();
    // Key presses of the user already received by the server after the one being handled now.
    holdReadsIn_ = readIn ? keyboard_.groupOf(*readIn) : std::nullopt;
    auto typed = textOfQueuedKeys(0, lockedGroup_, effectiveMods_, holdReadsIn_);
    if (typed && !typed->empty() && holdReadsIn_) {
        // They are typed again in the new layout; the key monitor reads them so too.
        queue_->readKeysIn(*holdReadsIn_, effectiveMods_);
    }
    // Everything queued so far reached the applications; from here on held devices' presses wait.
    hold_.arm(queue_->size());
    // Never hold longer than this, whatever happens to the replacement.
    later(0.5, [this, number] {
        if (hold_.isCurrent(number)) {
            endHoldingKeys();
        }
    });
    return typed;
}

void X11Session::erasePosted() {
    if (hold_.active() && serverGrabbed_) {
        XUngrabServer(display_.get());
        serverGrabbed_ = false;
        XFlush(display_.get());
    }
}

std::optional<std::vector<std::string>> X11Session::textOfQueuedKeys(std::size_t from, unsigned int group,
                                                                     unsigned int mods,
                                                                     std::optional<unsigned int> readIn) {
    std::vector<std::string> typed;
    group = readIn.value_or(group);
    OwnKeyPresses ours = injector_->pressesInFlight();
    const double at = now();
    for (std::size_t i = 0; i < queue_->size(); ++i) {
        const QueuedEvent& item = (*queue_)[i];
        if (item.kind == QueuedEvent::Kind::state) {
            group = readIn.value_or(item.group);
            mods = item.mods;
            continue;
        }
        if (item.kind != QueuedEvent::Kind::rawKey) {
            continue;
        }
        if (item.source == xtestKeyboard_ && ours.take(item.keycode, at)) {
            continue; // the program's own
        }
        if (i < from || item.keycode == injector_->quietKeycode()) {
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
    if (!hold_.active()) {
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
    hold_.releaseKeyboards(display_.get());
    XSync(display_.get(), False);
    drainDisplay();
    XkbStateRec state{};
    XkbGetState(display_.get(), XkbUseCoreKbd, &state);
    // Keys the user (or another XTest client) still holds down take a spare key code meanwhile.
    injector_->freezeState(static_cast<unsigned int>(state.locked_group),
                           static_cast<unsigned int>(state.mods));
    // Keys of other XTest clients (on-screen keyboards, xdotool) reached the application during the
    // hold, after the erase: erase them too and type them again after the replacement.
    auto late = textOfQueuedKeys(hold_.queueMark(), lockedGroup_, effectiveMods_, holdReadsIn_);
    if (!late) {
        return std::nullopt;
    }
    if (!late->empty() && holdReadsIn_) {
        queue_->readKeysIn(*holdReadsIn_, effectiveMods_);
    }
    LateKeys keys;
    keys.erase = late->size();
    for (const std::string& c : *late) {
        keys.text += c;
    }
    return keys;
}

void X11Session::endHoldingKeys() {
    if (!hold_.active()) {
        return;
    }
    if (!serverGrabbed_) {
        XGrabServer(display_.get());
        serverGrabbed_ = true;
    }
    hold_.releaseKeyboards(display_.get());
    // The held physical keys, in their order, after everything posted meanwhile. They are seen by
    // the key monitor as they come back, in the layout active now, as the application sees them.
    // Qt 5 reads keys in the first group after the keyboard map is sent anew (see retellGroup()):
    // the replacement may have bound spare key codes, and keys coming back through XTest, then the
    // user's next ones from the keyboard, switch devices twice. So the held keys come back through
    // the user's own keyboard, made the source first and the group told anew, and nothing
    // switches devices until this program types again.
    const std::vector<KeyHold::Key> held = hold_.finish();
    Display* display = display_.get();
    const unsigned int quiet = injector_->quietKeycode();
    XDevice* keyboard = nullptr;
    if (!held.empty() && userKeyboard_ >= 0 && quiet != 0) {
        XErrors::clear(); // the device may be gone
        keyboard = XOpenDevice(display, static_cast<XID>(userKeyboard_));
    }
    if (keyboard != nullptr) {
        XTestFakeDeviceKeyEvent(display, keyboard, quiet, True, nullptr, 0, CurrentTime);
        XTestFakeDeviceKeyEvent(display, keyboard, quiet, False, nullptr, 0, CurrentTime);
        XSync(display, False);
    }
    if (!held.empty()) {
        tellGroupAnew();
    }
    for (const KeyHold::Key& key : held) {
        if (keyboard != nullptr) {
            XTestFakeDeviceKeyEvent(display, keyboard, key.keycode, key.press ? True : False, nullptr, 0,
                                    CurrentTime);
        } else {
            injector_->replay(key.keycode, key.press);
        }
    }
    if (keyboard != nullptr) {
        XCloseDevice(display, keyboard);
    }
    injector_->thawState();
    XUngrabServer(display_.get());
    serverGrabbed_ = false;
    XFlush(display_.get());
    if (std::exchange(retellAfterHold_, false)) {
        retellGroup();
    }
    if (notifier_ != nullptr) {
        QTimer::singleShot(0, notifier_, [this] { processEvents(); });
    }
}

void X11Session::handleRawKeyPress(unsigned int xkeycode, int sourceDevice) {
    const bool ours = sourceDevice == xtestKeyboard_ && injector_ && injector_->takeOwnPress(xkeycode);
    if (injector_ && xkeycode == injector_->quietKeycode()) {
        return; // it does nothing: pressed before a post of ours, or by retellGroup()
    }
    if (sourceDevice != xtestKeyboard_) {
        userKeyboard_ = sourceDevice;
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
    // Tab moves the focus between fields; the key itself still belonged to the field it was typed in.
    if (!ours && accessibility_ && evdev == KeyCode::tab) {
        accessibility_->focusMayMove();
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

// Qt 5 keeps a keyboard state of its own and makes it afresh, in the first group, whenever the
// server sends the keyboard map anew: when keys come from another device than the last ones did
// (the user's keyboard after this program's XTest keys) and when a key code is bound anew. It
// learns the group again only from the next state notification, so the user's next words would
// come out in the first layout. A key that does nothing, pressed on the user's keyboard, makes it
// the source now rather than at the user's next key; then the server tells the state anew.
void X11Session::retellGroup() {
    Display* display = display_.get();
    if (hold_.active()) {
        retellAfterHold_ = true; // once the held keys are back
        return;
    }
    const unsigned int quiet = injector_ ? injector_->quietKeycode() : 0;
    if (quiet != 0 && userKeyboard_ >= 0) {
        XErrors::clear(); // the device may be gone
        if (XDevice* device = XOpenDevice(display, static_cast<XID>(userKeyboard_))) {
            XTestFakeDeviceKeyEvent(display, device, quiet, True, nullptr, 0, CurrentTime);
            XTestFakeDeviceKeyEvent(display, device, quiet, False, nullptr, 0, CurrentTime);
            XCloseDevice(display, device);
            XSync(display, False); // the press is handled before the latch, whose news must come last
            drainSoon();
        }
    }
    tellGroupAnew();
    XFlush(display);
}

// A group latch of a whole turn, taken back at once: the group in effect never changes, and the
// server tells every client the state twice. (A latch left until the next key is no good: some
// clients, Chromium among them, do not wrap the latched group, and read that key in the first.)
void X11Session::tellGroupAnew() {
    XkbLatchGroup(display_.get(), XkbUseCoreKbd, keyboard_.groupCount());
    XkbLatchGroup(display_.get(), XkbUseCoreKbd, 0);
}

bool X11Session::modifiersHeld() {
    return (effectiveMods_ & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask)) != 0;
}

int X11Session::selectLayout(const KeyboardLayout& source) {
    auto group = keyboard_.groupOf(source);
    if (!group) {
        return -1;
    }
    if (!XkbLockGroup(display_.get(), XkbUseCoreKbd, *group)) {
        return -2;
    }
    retellGroup();
    drainSoon();
    return 0;
}

std::optional<std::string> X11Session::translateKey(const KeyboardLayout& source, std::uint16_t keyCode,
                                                    ModifierFlags modifiers) {
    auto group = keyboard_.groupOf(source);
    return group ? keyboard_.translate(*group, keyCode, modifiers) : std::nullopt;
}

void X11Session::postKeyEvent(const SyntheticKeyEvent& event) {
    injector_->post(event, currentGroup().value_or(0), effectiveMods_);
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
