// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/SelfTest.h"

#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/RulesFile.h"
#include "KeyvaneCore/UserPreferences.h"
#include "KeyvaneDevTools/GoldenTestRunner.h"
#include "KeyvaneDevTools/ManualConversionTestRunner.h"

namespace keyvane::SelfTest {

int run(std::ostream& out) {
    auto rulesFile = RulesFile::read();
    if (!rulesFile) {
        out << "ERROR: Cannot load rules config (installed data, ./Resources/keyvane_rules.json or the "
               "build tree)\n";
        return 1;
    }
    UserPreferences preferences = UserPreferences::load(UserPreferences::defaultPath());
    preferences.activeLanguages = UserPreferences::normalize({"en", "uk", "ru"});
    RulesEngine engine(RulesConfig::load(*rulesFile, RulesFile::seedOverrides(*rulesFile), preferences));
    out << "Running golden tests...\n\n";
    bool golden = GoldenTestRunner::run(engine, out);
    bool conversion = ManualConversionTestRunner::run(engine, out);
    return golden && conversion ? 0 : 1;
}

} // namespace keyvane::SelfTest
