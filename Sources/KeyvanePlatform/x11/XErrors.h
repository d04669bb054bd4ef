// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

typedef struct _XDisplay Display;

// X protocol errors are expected in a live session (a window closes while it is looked at, a
// shortcut is held by another program) and must never end the program, as Xlib's default handler
// would: they are recorded instead, for the code that wants to know.
namespace keyvane::XErrors {

// Records errors from now on instead of ending the program.
void install();
// Forgets the last error; call before a request whose failure matters, then XSync and look.
void clear();
// The code of the last error since clear(); 0 for none.
int last();

} // namespace keyvane::XErrors
