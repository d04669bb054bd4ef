// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The live program: watches the keys of the X session and corrects words as they are typed.
namespace keyvane::Application {

// Opens the display, starts the coordinator, the shortcuts and the instance socket, and runs the
// event loop until the program is told to stop; the process status.
int run(int argc, char** argv);

} // namespace keyvane::Application
