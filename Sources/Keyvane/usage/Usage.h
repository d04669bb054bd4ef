// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <vector>

// What `keyvane --help` prints and what the manual page says, from one description, so that the
// two never disagree; and which arguments the program does not know.
namespace keyvane::Usage {

// An option or a file and what it does.
struct Entry {
    std::string term;
    std::string text;
};

// A part of the help: a title, an optional paragraph, then its entries.
struct Section {
    std::string title;
    std::string text;
    std::vector<Entry> entries;
};

std::string version();
// The build's own number or name, set when the program is built; empty when none was.
std::string build();
// "keyvane 0.1.0" and the licence, for --version.
std::string versionText();

// The one-line summary of what the program is.
std::string summary();
// The usage lines; the first is what an unknown option gets.
const std::vector<std::string>& synopsis();
std::string description();
const std::vector<Section>& sections();

// The help, wrapped for an 80-column terminal.
std::string helpText();
// The manual page keyvane(1), in roff.
std::string manPage();

// The first argument the live program does not take (the developer command line and the
// self-test are chosen before this and check their own arguments); nothing when all are known.
std::optional<std::string> unknownOption(const std::vector<std::string>& args);
// What an unknown argument gets on standard error: the argument (control characters shown as
// "?", so no terminal escape is replayed), the first usage line, and where to read more.
std::string unknownOptionMessage(const std::string& argument);

} // namespace keyvane::Usage
