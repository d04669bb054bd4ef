// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/ActiveWindow.h"

#include "KeyvanePlatform/DesktopEntries.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <string>

namespace keyvane {

ActiveWindow::ActiveWindow(Display* display)
    : display_(display)
    , atom_(XInternAtom(display, "_NET_ACTIVE_WINDOW", False)) {}

unsigned long ActiveWindow::toplevel() const {
    Window root = DefaultRootWindow(display_);
    Window active = 0;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, root, atom_, 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                           &data) == Success &&
        data != nullptr) {
        if (items == 1) {
            active = *reinterpret_cast<Window*>(data);
        }
        XFree(data);
    }
    if (active == 0) {
        // No window manager: the window with the input focus, up to its top-level window.
        int revert = 0;
        XGetInputFocus(display_, &active, &revert);
        if (active == PointerRoot || active == 0) {
            return 0;
        }
    }
    // Walk up until a window carries WM_CLASS.
    Window window = active;
    while (window != 0 && window != root) {
        XClassHint hint{};
        if (XGetClassHint(display_, window, &hint)) {
            XFree(hint.res_class);
            XFree(hint.res_name);
            return window;
        }
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int childCount = 0;
        if (!XQueryTree(display_, window, &rootReturn, &parent, &children, &childCount)) {
            return 0;
        }
        if (children != nullptr) {
            XFree(children);
        }
        window = parent;
    }
    return 0;
}

std::optional<long long> ActiveWindow::processID() const {
    const Window window = toplevel();
    if (window == 0) {
        return std::nullopt;
    }
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::optional<long long> pid;
    if (XGetWindowProperty(display_, window, XInternAtom(display_, "_NET_WM_PID", False), 0, 1, False,
                           XA_CARDINAL, &type, &format, &items, &after, &data) == Success &&
        data != nullptr) {
        if (items == 1 && format == 32) {
            pid = static_cast<long long>(*reinterpret_cast<unsigned long*>(data));
        }
        XFree(data);
    }
    return pid;
}

std::optional<FrontmostApplication> ActiveWindow::application() const {
    const Window window = toplevel();
    XClassHint hint{};
    if (window == 0 || !XGetClassHint(display_, window, &hint) || hint.res_class == nullptr) {
        return std::nullopt;
    }
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    std::string wmClass = hint.res_class;
    std::string wmName = hint.res_name != nullptr ? hint.res_name : "";
    XFree(hint.res_class);
    if (hint.res_name != nullptr) {
        XFree(hint.res_name);
    }
    // The GTK application ID, when the window carries one, names the desktop entry directly.
    std::string gtkID;
    Atom gtkAtom = XInternAtom(display_, "_GTK_APPLICATION_ID", True);
    if (gtkAtom != 0 &&
        XGetWindowProperty(display_, window, gtkAtom, 0, 256, False, AnyPropertyType, &type, &format, &items,
                           &after, &data) == Success &&
        data != nullptr) {
        gtkID.assign(reinterpret_cast<char*>(data), items);
        XFree(data);
    }
    return DesktopEntries::applicationFor(gtkID, wmClass, wmName);
}

} // namespace keyvane
