// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>

typedef struct _XDisplay Display;

namespace keyvane {

class HotkeyGrabs;
class KeyHold;

// One X event the session handles, as read from Xlib.
struct QueuedEvent {
    enum class Kind { rawKey, state, keymap, hotkey, activeWindow, button, focusIn, focusOut } kind;
    unsigned int keycode = 0; // rawKey: the X key code
    int source = 0;           // rawKey: the slave device it came from
    unsigned int mods = 0;    // state: the effective modifiers
    unsigned int group = 0;   // state: the locked group
    int hotkeyID = 0;
    unsigned int button = 0; // button: which
    int focusMode = 0;
    int focusDetail = 0;
    unsigned long window = 0;
};

// Events are read from Xlib into a queue of their own first and handled from there in order, so
// that a hold can look at key presses that have arrived but are not handled yet.
class EventQueue {
public:
    EventQueue(Display* display, int xiOpcode, int xkbEventBase, unsigned long activeWindowAtom,
               const HotkeyGrabs& hotkeys, KeyHold& hold);

    // Reads every event Xlib has or the server has sent into the queue. Raw presses of held
    // keyboards are left out (they are seen when replayed); their key events go to the hold.
    void readPending();
    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    const QueuedEvent& operator[](std::size_t index) const { return items_[index]; }
    QueuedEvent pop();
    // The keys queued now are to be read in `group`: every queued state change keeps its
    // modifiers but takes that group, and one in front (with `mods`) says so before them.
    void readKeysIn(unsigned int group, unsigned int mods);

private:
    Display* display_;
    int xiOpcode_;
    int xkbEventBase_;
    unsigned long activeWindowAtom_;
    const HotkeyGrabs& hotkeys_;
    KeyHold& hold_;
    std::deque<QueuedEvent> items_;
};

} // namespace keyvane
