// Keyvane's entry point: the developer command line, the self-test, or the application.

#include "CLI/CLIEntry.h"
#include "ConfigStore.h"
#include "GoldenTestRunner.h"
#include "ManualConversionTestRunner.h"
#include "UserPreferences.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

using namespace keyvane;

namespace {

// Runs the rules file's golden tests and the fixed conversion checks with every language active.
int runSelfTest() {
    auto engineJSON = ConfigStore::engineJSON();
    if (!engineJSON) {
        std::cout << "ERROR: Cannot load rules config (bundle Resources, ./Resources/keyvane_rules.json, or legacy "
                     "~/.config)\n";
        return 1;
    }
    nlohmann::json overrides = engineJSON->contains("manual_overrides") && (*engineJSON)["manual_overrides"].is_object()
                                   ? (*engineJSON)["manual_overrides"]
                                   : nlohmann::json::object();
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    preferences.activeLanguages = UserPreferences::normalize({"en", "uk", "ru"});
    RulesEngine engine(RulesConfig::load(*engineJSON, overrides, preferences));
    std::cout << "Running golden tests...\n\n";
    bool golden = GoldenTestRunner::run(engine, std::cout);
    bool conversion = ManualConversionTestRunner::run(engine, std::cout);
    return golden && conversion ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    if (CLIEntry::isCommandLine(args)) {
        return CLIEntry::run(args, std::cout, std::cerr);
    }
    if (std::find(args.begin(), args.end(), "--test") != args.end()) {
        return runSelfTest();
    }
    std::cerr << "Keyvane " << KEYVANE_VERSION
              << ": the desktop application is not part of this build yet.\n"
                 "Developer command line: keyvane -file <text> [-type test|roundtrip] [-language en|ru|uk]\n"
                 "                        keyvane -input \"<words>\"\n"
                 "Self-test:              keyvane --test\n";
    return 2;
}
