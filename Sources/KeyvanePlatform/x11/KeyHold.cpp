// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/KeyHold.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <algorithm>

namespace keyvane {

long long KeyHold::start() {
    active_ = true;
    return ++number_;
}

void KeyHold::grabKeyboards(Display* display, int xtestKeyboard) {
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_KeyPress);
    XISetMask(bits, XI_KeyRelease);
    XIEventMask mask{0, static_cast<int>(sizeof bits), bits};
    for (int i = 0; i < count; ++i) {
        if (devices[i].use == XISlaveKeyboard && devices[i].deviceid != xtestKeyboard) {
            mask.deviceid = devices[i].deviceid;
            if (XIGrabDevice(display, devices[i].deviceid, DefaultRootWindow(display), CurrentTime, 0,
                             XIGrabModeAsync, XIGrabModeAsync, False, &mask) == Success) {
                devices_.push_back(devices[i].deviceid);
            }
        }
    }
    XIFreeDeviceInfo(devices);
}

void KeyHold::releaseKeyboards(Display* display) {
    for (int device : devices_) {
        XIUngrabDevice(display, device, CurrentTime);
    }
    devices_.clear();
}

void KeyHold::arm(std::size_t queueMark) {
    armed_ = true;
    queueMark_ = queueMark;
}

bool KeyHold::holds(int device) const {
    return armed_ && std::find(devices_.begin(), devices_.end(), device) != devices_.end();
}

void KeyHold::record(unsigned int keycode, bool press) {
    if (active_) {
        keys_.push_back({keycode, press});
    }
}

std::vector<KeyHold::Key> KeyHold::finish() {
    active_ = false;
    armed_ = false;
    devices_.clear();
    return std::exchange(keys_, {});
}

} // namespace keyvane
