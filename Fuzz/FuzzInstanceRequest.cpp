// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to both ends of the instance socket: the running copy reading a request
// line from any local process of the user, and a second launch printing the answer it got.

#include "FuzzInput.h"
#include "Keyvane/app/InstanceChannel.h"
#include "Keyvane/app/InstanceCommand.h"
#include "KeyvaneCore/UnicodeText.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace keyvane;
    const std::string input(fuzz::text(data, size));

    if (auto command = InstanceCommand::fromLine(input)) {
        fuzz::require(command->kind != InstanceCommand::Kind::pause ||
                          (std::isfinite(command->seconds) && command->seconds > 0 &&
                           command->seconds <= InstanceCommand::longestPauseSeconds),
                      "a pause request lasts more than nothing and at most a day");
        auto again = InstanceCommand::fromLine(command->line());
        fuzz::require(again && again->kind == command->kind && again->seconds == command->seconds,
                      "a request reads back as itself");
    }

    const std::string shown = InstanceChannel::plainText(input);
    fuzz::require(shown.size() <= 256, "an answer is printed on at most 256 bytes");
    fuzz::require(UnicodeText::isValidUtf8(shown), "an answer printed is whole characters");
    for (char32_t c : UnicodeText::codePoints(shown)) {
        fuzz::require(c >= 0x20 && c != 0x7f && !(c >= 0x80 && c <= 0x9f),
                      "an answer printed holds no control characters");
    }
    return 0;
}
