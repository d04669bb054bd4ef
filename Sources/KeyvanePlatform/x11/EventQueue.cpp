// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/EventQueue.h"

#include "KeyvanePlatform/x11/HotkeyGrabs.h"
#include "KeyvanePlatform/x11/KeyHold.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace keyvane {

EventQueue::EventQueue(Display* display, int xiOpcode, int xkbEventBase, unsigned long activeWindowAtom,
                       const HotkeyGrabs& hotkeys, KeyHold& hold)
    : display_(display)
    , xiOpcode_(xiOpcode)
    , xkbEventBase_(xkbEventBase)
    , activeWindowAtom_(activeWindowAtom)
    , hotkeys_(hotkeys)
    , hold_(hold) {}

QueuedEvent EventQueue::pop() {
    QueuedEvent item = items_.front();
    items_.pop_front();
    return item;
}

void EventQueue::readKeysIn(unsigned int group, unsigned int mods) {
    for (QueuedEvent& item : items_) {
        if (item.kind == QueuedEvent::Kind::state) {
            item.group = group;
        }
    }
    QueuedEvent first{QueuedEvent::Kind::state};
    first.mods = mods;
    first.group = group;
    items_.push_front(first);
}

void EventQueue::readPending() {
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.xcookie.type == GenericEvent && event.xcookie.extension == xiOpcode_ &&
            XGetEventData(display_, &event.xcookie)) {
            if (event.xcookie.evtype == XI_RawKeyPress) {
                auto* raw = static_cast<XIRawEvent*>(event.xcookie.data);
                if (!hold_.holds(raw->sourceid)) { // a held press is seen when it is replayed
                    QueuedEvent item{QueuedEvent::Kind::rawKey};
                    item.keycode = static_cast<unsigned int>(raw->detail);
                    item.source = raw->sourceid;
                    items_.push_back(item);
                }
            } else if (event.xcookie.evtype == XI_RawButtonPress) {
                auto* raw = static_cast<XIRawEvent*>(event.xcookie.data);
                if (raw->detail < 4 || raw->detail > 7) { // the wheel moves no cursor
                    QueuedEvent item{QueuedEvent::Kind::button};
                    item.button = static_cast<unsigned int>(raw->detail);
                    items_.push_back(item);
                }
            } else if (event.xcookie.evtype == XI_KeyPress || event.xcookie.evtype == XI_KeyRelease) {
                auto* device = static_cast<XIDeviceEvent*>(event.xcookie.data);
                hold_.record(static_cast<unsigned int>(device->detail), event.xcookie.evtype == XI_KeyPress);
            }
            XFreeEventData(display_, &event.xcookie);
        } else if (event.type == xkbEventBase_) {
            auto* xkb = reinterpret_cast<XkbEvent*>(&event);
            if (xkb->any.xkb_type == XkbStateNotify) {
                QueuedEvent item{QueuedEvent::Kind::state};
                item.mods = xkb->state.mods;
                item.group = static_cast<unsigned int>(xkb->state.locked_group);
                items_.push_back(item);
            } else if (xkb->any.xkb_type == XkbNewKeyboardNotify || xkb->any.xkb_type == XkbMapNotify) {
                items_.push_back(QueuedEvent{QueuedEvent::Kind::keymap});
            }
        } else if (event.type == KeyPress) {
            if (auto id = hotkeys_.idFor(event.xkey.keycode, event.xkey.state)) {
                QueuedEvent item{QueuedEvent::Kind::hotkey};
                item.hotkeyID = *id;
                items_.push_back(item);
            }
        } else if (event.type == PropertyNotify && event.xproperty.atom == activeWindowAtom_) {
            items_.push_back(QueuedEvent{QueuedEvent::Kind::activeWindow});
        } else if (event.type == FocusIn || event.type == FocusOut) {
            QueuedEvent item{event.type == FocusIn ? QueuedEvent::Kind::focusIn
                                                   : QueuedEvent::Kind::focusOut};
            item.focusMode = event.xfocus.mode;
            item.focusDetail = event.xfocus.detail;
            item.window = event.xfocus.window;
            items_.push_back(item);
        }
    }
}

} // namespace keyvane
