// SPDX-License-Identifier: GPL-3.0-or-later
// Keyvane's entry point: chooses between the developer command line, the self-test, a request to
// the running copy, and the live program.

#include "Keyvane/app/Application.h"
#include "Keyvane/app/InstanceCommand.h"
#include "Keyvane/app/SingleInstance.h"
#include "KeyvaneDevTools/CLIEntry.h"
#include "KeyvaneDevTools/SelfTest.h"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

using namespace keyvane;

int main(int argc, char** argv) {
    // A file-size limit reached while saving must fail that save (and be reported), not kill the
    // program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv, argv + argc);
    if (CLIEntry::isCommandLine(args)) {
        return CLIEntry::run(args, std::cout, std::cerr);
    }
    if (std::find(args.begin(), args.end(), "--test") != args.end()) {
        return SelfTest::run(std::cout);
    }
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
