// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/TokenBuffer.h"

namespace keyvane {

TokenBuffer::TokenBuffer(EmitCallback onEmit)
    : onEmit_(std::move(onEmit)) {}

void TokenBuffer::process(const TokenEvent& event) {
    switch (event.kind) {
    case TokenEvent::Kind::character:
        if (!event.character.empty()) {
            buffer_.push_back(event.character);
        }
        break;
    case TokenEvent::Kind::boundary: {
        if (buffer_.empty()) {
            break;
        }
        EmittedToken emitted{current(), event.boundary};
        buffer_.clear();
        if (onEmit_) {
            onEmit_(emitted);
        }
        break;
    }
    case TokenEvent::Kind::backspace:
        if (!buffer_.empty()) {
            buffer_.pop_back();
        }
        break;
    case TokenEvent::Kind::reset: buffer_.clear(); break;
    }
}

std::string TokenBuffer::current() const {
    std::string word;
    for (const std::string& c : buffer_) {
        word += c;
    }
    return word;
}

} // namespace keyvane
