// SPDX-License-Identifier: GPL-3.0-or-later
// Keyvane's entry point: chooses between the developer command line, the self-test and the live
// program with its requests to the running copy. The live program is a module of its own
// (keyvane-live.so, with Qt and the X libraries), loaded only when it is what runs.

#include "Keyvane/usage/Usage.h"
#include "KeyvaneCore/AppPaths.h"
#include "KeyvaneDevTools/CLIEntry.h"
#include "KeyvaneDevTools/SelfTest.h"

#include <algorithm>
#include <csignal>
#include <dlfcn.h>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

using namespace keyvane;

namespace {

// The installed module (under the library directory of the installed program's prefix), else the
// one the build tree made.
std::vector<std::string> liveModuleCandidates() {
    std::vector<std::string> candidates;
    if (auto prefix = AppPaths::programPrefix()) {
        candidates.push_back((std::filesystem::path(*prefix) / KEYVANE_LIVE_MODULE_RELATIVE).string());
    }
    candidates.emplace_back(KEYVANE_BUILD_LIVE_MODULE);
    return candidates;
}

int runLiveProgram(int argc, char** argv) {
    std::string errors;
    for (const std::string& path : liveModuleCandidates()) {
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) {
            continue;
        }
        void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            errors += std::string("\n  ") + ::dlerror();
            continue;
        }
        using Entry = int (*)(int, char**);
        auto entry = reinterpret_cast<Entry>(::dlsym(module, "keyvaneLiveMain"));
        if (entry == nullptr) {
            errors += "\n  " + path + ": no keyvaneLiveMain";
            continue;
        }
        return entry(argc, argv); // the module stays loaded until the process ends
    }
    std::cerr << "Keyvane's live program (keyvane-live.so) cannot be loaded; the developer command line "
                 "and --test still work."
              << (errors.empty() ? std::string("\n  not found") : errors) << "\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    // A file-size limit reached while saving must fail that save (and be reported), not kill the
    // program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv, argv + argc);
    if (CLIEntry::isCommandLine(args)) {
        return CLIEntry::run(args, std::cout, std::cerr);
    }
    auto given = [&](const char* option) {
        return std::find(args.begin(), args.end(), option) != args.end();
    };
    if (given("--help") || given("-h")) {
        std::cout << Usage::helpText();
        return 0;
    }
    if (given("--version")) {
        std::cout << Usage::versionText();
        return 0;
    }
    if (given("--test")) {
        return SelfTest::run(std::cout);
    }
    if (std::optional<std::string> unknown = Usage::unknownOption(args)) {
        std::cerr << Usage::unknownOptionMessage(*unknown);
        return 2;
    }
    return runLiveProgram(argc, argv);
}
