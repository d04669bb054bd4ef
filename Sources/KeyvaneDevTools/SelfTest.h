// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

// "keyvane --test": the rules file's golden tests and the fixed conversion checks, with every
// language active.
namespace keyvane::SelfTest {

// Prints each check and a summary; 0 when all pass, 1 otherwise or without a rules file.
int run(std::ostream& out);

} // namespace keyvane::SelfTest
