// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds argument vectors (arguments cut at NUL) to the developer command line's parser and to the
// requests a second launch sends to the running copy. Each either parses or gives a one-line
// error; a parsed request travels over the socket and arrives as it left.

#include "FuzzInput.h"
#include "Keyvane/app/InstanceCommand.h"
#include "KeyvaneDevTools/CLIOptionsParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace keyvane;
    std::vector<std::string> args = fuzz::fields(fuzz::text(data, size), 16);
    args.insert(args.begin(), "keyvane");

    std::string message;
    if (auto parsed = CLIOptionsParser::parse(args, &message); !parsed) {
        fuzz::require(!message.empty() && message.find('\n') == std::string::npos,
                      "a refused command line says why on one line");
    } else {
        const CLIOptions& options = *parsed;
        fuzz::require(!options.file.empty() || options.inputString.has_value(),
                      "a command line names its text");
        fuzz::require(options.minLength >= 0, "a minimum length is not negative");
    }

    std::string error;
    if (auto command = InstanceCommand::parse(args, &error)) {
        fuzz::require(error.empty(), "an accepted request has no error");
        fuzz::require(command->kind != InstanceCommand::Kind::pause ||
                          (command->seconds > 0 && command->seconds <= InstanceCommand::longestPauseSeconds),
                      "a pause lasts more than nothing and at most a day");
        auto arrived = InstanceCommand::fromLine(command->line());
        fuzz::require(
            arrived && arrived->kind == command->kind &&
                (command->kind != InstanceCommand::Kind::pause || arrived->seconds == command->seconds),
            "a request arrives as it was sent");
    }
    return 0;
}
