// SPDX-License-Identifier: GPL-3.0-or-later
// The entry point of the live program's module (keyvane-live.so): requests to the running copy
// and the live program itself. The executable loads the module only for these, so that the
// developer command line and the self-test never load Qt or the X libraries.

#include "Keyvane/app/Application.h"
#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/app/SingleInstance.h"

#include <iostream>
#include <string>
#include <vector>

extern "C" __attribute__((visibility("default"))) int keyvaneLiveMain(int argc, char** argv) {
    using namespace keyvane;
    std::vector<std::string> args(argv, argv + argc);
    std::string requestError;
    if (std::optional<InstanceCommand> command = InstanceCommand::parse(args, &requestError)) {
        return SingleInstance::sendRequest(argc, argv, *command);
    }
    if (!requestError.empty()) {
        std::cerr << requestError << "\n";
        return 1;
    }
    return Application::run(argc, argv);
}
