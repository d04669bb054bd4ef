// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Leaves a plain-text record of the program's last moments in the crash log when it dies of an
// uncaught exception or of SIGSEGV, SIGBUS, SIGILL, SIGFPE or SIGTRAP (SIGABRT is left to the
// system). A record:
//   ==================================================================== (68)
//   [2026-12-08T04:40:00Z] Keyvane 0.1.0 (?) — fatal signal
//   signal 11 (SIGSEGV)
//   -------------------------------------------------------------------- (68)
//   one frame per line
//   (an empty line)
// The signal handler allocates nothing and takes no lock: everything it needs is prepared when
// the reporter is installed, and the record goes to the file in one write, so records of threads
// crashing at once never interleave. The process still dies of the same signal afterwards. A log
// that cannot be opened is passed over in silence.
namespace keyvane::CrashReporter {

// `version` is the program's version as the records give it, e.g. "0.1.0 (?)".
void install(const std::string& crashLogPath, const std::string& version);

// The version as records give it: the short version, then the build in parentheses ("?" when the
// build has none); "dev" when there is no short version.
std::string versionString(const std::string& shortVersion, const std::string& build);

} // namespace keyvane::CrashReporter
