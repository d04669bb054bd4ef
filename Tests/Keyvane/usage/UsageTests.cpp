// SPDX-License-Identifier: GPL-3.0-or-later
// The help: what it names is what the program takes, and it reads well in a terminal.

#include "Keyvane/usage/Usage.h"
#include "KeyvaneDevTools/CLIOptionsParser.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace keyvane;

namespace {

std::size_t columns(const std::string& line) {
    std::size_t count = 0;
    for (unsigned char c : line) {
        count += (c & 0xC0) != 0x80 ? 1 : 0; // code points, not bytes
    }
    return count;
}

} // namespace

TEST(Help, EveryOptionItNamesIsOneTheProgramTakes) {
    int developerOptions = 0;
    for (const Usage::Section& section : Usage::sections()) {
        for (const Usage::Entry& entry : section.entries) {
            const std::string option = entry.term.substr(0, entry.term.find_first_of(" ,"));
            if (option.rfind("--", 0) == 0) {
                if (option == "--help" || option == "--version" || option == "--test") {
                    continue; // chosen before anything else
                }
                EXPECT_FALSE(Usage::unknownOption({"keyvane", option}).has_value()) << option;
            } else if (option.rfind("-", 0) == 0) {
                std::string error;
                CLIOptionsParser::parse({"keyvane", "-input", "x", option, "en"}, &error);
                EXPECT_EQ(error.find("Unknown argument"), std::string::npos) << option << ": " << error;
                ++developerOptions;
            }
        }
    }
    EXPECT_EQ(developerOptions, 10);
}

TEST(Help, FitsAnEightyColumnTerminalAndStartsWithTheUsageLine) {
    const std::string help = Usage::helpText();
    EXPECT_EQ(help.rfind("Usage: " + Usage::synopsis().front() + "\n", 0), 0u);
    std::istringstream lines(help);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("Usage: ", 0) != 0 && line.rfind("   or: ", 0) != 0) {
            EXPECT_LE(columns(line), 80u) << line;
        }
    }
}

TEST(UnknownOptions, TheLiveProgramsRequestsAreKnownAndAnythingElseIsNot) {
    EXPECT_FALSE(Usage::unknownOption({"keyvane"}));
    EXPECT_FALSE(Usage::unknownOption({"keyvane", "--pause"}));
    EXPECT_FALSE(Usage::unknownOption({"keyvane", "--pause", "90s"}));
    EXPECT_FALSE(Usage::unknownOption({"keyvane", "--pause", "--resume"}));
    EXPECT_FALSE(Usage::unknownOption({"keyvane", "--pause-until-restart"}));
    EXPECT_EQ(Usage::unknownOption({"keyvane", "--pause", "15m", "extra"}), "extra");
    EXPECT_EQ(Usage::unknownOption({"keyvane", "--resume", "-languages", "en"}), "-languages");
    EXPECT_EQ(Usage::unknownOption({"keyvane", "--Pause"}), "--Pause");
}

TEST(UnknownOptions, AreNamedWithoutReplayingTerminalEscapes) {
    const std::string message = Usage::unknownOptionMessage("--x\x1b]0;owned\x07\ny");
    EXPECT_EQ(message.find('\x1b'), std::string::npos);
    EXPECT_EQ(message.find('\x07'), std::string::npos);
    EXPECT_EQ(message.rfind("keyvane: unknown option \"--x?]0;owned??y\"\nUsage: ", 0), 0u);
}
