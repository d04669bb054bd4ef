// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/TokenEvent.h"

#include <functional>
#include <string>
#include <vector>

namespace keyvane {

// Assembles classified key presses into words. On a boundary the finished word goes to the
// one consumer given at construction; the buffer is emptied first, so a consumer that feeds
// further events from inside the callback starts on a fresh word.
class TokenBuffer {
public:
    using EmitCallback = std::function<void(const EmittedToken&)>;

    explicit TokenBuffer(EmitCallback onEmit);

    void process(const TokenEvent& event);

    // The word typed so far, without emitting it.
    std::string current() const;

private:
    std::vector<std::string> buffer_;
    EmitCallback onEmit_;
};

} // namespace keyvane
