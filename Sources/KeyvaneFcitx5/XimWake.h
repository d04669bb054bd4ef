// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <fcitx-utils/handlertable.h>
#include <fcitx/addoninstance.h>
#include <map>
#include <memory>
#include <string>
#include <xcb/xcb.h>
#include <xcb_public.h>

namespace keyvane {

// Makes fcitx5 read what its X connections hold after the addon sent an XIM client something
// from a timer. fcitx5 5.0 reads X events on a thread that wakes only when the X socket can be
// read; a send to an XIM client waits for the server's replies, and an event that arrives
// meanwhile (xterm's next request, sent as its cursor moves) lands in libxcb's queue, the socket
// stays quiet, and xterm waits for an answer that never comes. A message to a window of fcitx5's
// own on each connection makes the socket readable, and the reader takes everything queued.
class XimWake {
public:
    // Follows the X connections fcitx5's xcb module opens and closes; does nothing without it.
    explicit XimWake(fcitx::AddonInstance* xcb);
    ~XimWake();
    XimWake(const XimWake&) = delete;
    XimWake& operator=(const XimWake&) = delete;

    void wake();

private:
    struct Connection {
        xcb_connection_t* connection;
        xcb_window_t window;
    };
    std::map<std::string, Connection> connections_;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::XCBConnectionCreated>> created_;
    std::unique_ptr<fcitx::HandlerTableEntry<fcitx::XCBConnectionClosed>> closed_;
};

} // namespace keyvane
