// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every fuzz target shares: the input split into fields, and a check that stops the run
// with a message when a property the program promises does not hold.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace keyvane::fuzz {

inline std::string_view text(const uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// The input cut at NUL bytes, so one input can hold several arguments or documents.
inline std::vector<std::string> fields(std::string_view input, std::size_t atMost) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (out.size() + 1 < atMost) {
        const std::size_t end = input.find('\0', start);
        if (end == std::string_view::npos) {
            break;
        }
        out.emplace_back(input.substr(start, end - start));
        start = end + 1;
    }
    out.emplace_back(input.substr(start));
    return out;
}

inline void require(bool holds, const char* property) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", property);
        std::abort();
    }
}

} // namespace keyvane::fuzz
