// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneFcitx5/XimWake.h"

#include <cstdint>
#include <cstring>

namespace keyvane {

XimWake::XimWake(fcitx::AddonInstance* xcb) {
    if (xcb == nullptr) {
        return; // no X display: no XIM client either
    }
    // Called at once for the connections already open.
    created_ = xcb->call<fcitx::IXCBModule::addConnectionCreatedCallback>(
        [this](const std::string& name, xcb_connection_t* connection, int screenNumber, fcitx::FocusGroup*) {
            xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
            for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
                xcb_screen_next(&screens);
            }
            if (screens.rem == 0) {
                return;
            }
            // Never mapped, and left alone by the window manager (a window of fcitx5's that the
            // compositor takes into account moved the keyboard focus as fcitx5's popups came and
            // went).
            const xcb_window_t window = xcb_generate_id(connection);
            const std::uint32_t overrideRedirect = 1;
            xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screens.data->root, -1, -1, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                              &overrideRedirect);
            xcb_flush(connection);
            connections_[name] = {connection, window};
        });
    closed_ = xcb->call<fcitx::IXCBModule::addConnectionClosedCallback>(
        [this](const std::string& name, xcb_connection_t*) { connections_.erase(name); });
}

XimWake::~XimWake() {
    for (const auto& [name, connection] : connections_) {
        xcb_destroy_window(connection.connection, connection.window);
        xcb_flush(connection.connection);
    }
}

void XimWake::wake() {
    for (const auto& [name, connection] : connections_) {
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = connection.window;
        message.type = XCB_ATOM_STRING; // claimed by no filter of fcitx5's
        xcb_send_event(connection.connection, 0, connection.window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(connection.connection); // no reply is waited for
    }
}

} // namespace keyvane
