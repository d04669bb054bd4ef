// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvanePlatform/x11/XErrors.h"

#include <X11/Xlib.h>

namespace keyvane::XErrors {
namespace {

int lastError = 0;

int record(Display*, XErrorEvent* error) {
    lastError = error->error_code;
    return 0;
}

} // namespace

void install() {
    XSetErrorHandler(record);
}

void clear() {
    lastError = 0;
}

int last() {
    return lastError;
}

} // namespace keyvane::XErrors
