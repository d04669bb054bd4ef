// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/shortcuts/Shortcut.h"

#include <array>
#include <utility>
#include <vector>

namespace keyvane {
namespace {

// The name of every key a shortcut may use, by evdev code.
const std::vector<std::pair<std::uint16_t, std::string>>& keyNames() {
    static const std::vector<std::pair<std::uint16_t, std::string>> names = [] {
        std::vector<std::pair<std::uint16_t, std::string>> out;
        const char* row1 = "QWERTYUIOP";
        const char* row2 = "ASDFGHJKL";
        const char* row3 = "ZXCVBNM";
        for (int i = 0; row1[i] != '\0'; ++i) {
            out.emplace_back(static_cast<std::uint16_t>(KeyCode::q + i), std::string(1, row1[i]));
        }
        for (int i = 0; row2[i] != '\0'; ++i) {
            out.emplace_back(static_cast<std::uint16_t>(KeyCode::a + i), std::string(1, row2[i]));
        }
        for (int i = 0; row3[i] != '\0'; ++i) {
            out.emplace_back(static_cast<std::uint16_t>(KeyCode::z + i), std::string(1, row3[i]));
        }
        for (int i = 0; i < 9; ++i) {
            out.emplace_back(static_cast<std::uint16_t>(KeyCode::one + i), std::to_string(i + 1));
        }
        out.emplace_back(KeyCode::zero, "0");
        for (int i = 0; i < 10; ++i) {
            out.emplace_back(static_cast<std::uint16_t>(KeyCode::f1 + i), "F" + std::to_string(i + 1));
        }
        const std::pair<std::uint16_t, const char*> named[] = {
            {KeyCode::f11, "F11"},
            {KeyCode::f12, "F12"},
            {KeyCode::escape, "Escape"},
            {KeyCode::minus, "Minus"},
            {KeyCode::equal, "Equal"},
            {KeyCode::backspace, "BackSpace"},
            {KeyCode::tab, "Tab"},
            {KeyCode::leftBrace, "BracketLeft"},
            {KeyCode::rightBrace, "BracketRight"},
            {KeyCode::enter, "Return"},
            {KeyCode::semicolon, "Semicolon"},
            {KeyCode::apostrophe, "Apostrophe"},
            {KeyCode::grave, "Grave"},
            {KeyCode::backslash, "Backslash"},
            {KeyCode::comma, "Comma"},
            {KeyCode::dot, "Period"},
            {KeyCode::slash, "Slash"},
            {KeyCode::space, "Space"},
            {KeyCode::home, "Home"},
            {KeyCode::up, "Up"},
            {KeyCode::pageUp, "Page_Up"},
            {KeyCode::left, "Left"},
            {KeyCode::right, "Right"},
            {KeyCode::end, "End"},
            {KeyCode::down, "Down"},
            {KeyCode::pageDown, "Page_Down"},
            {KeyCode::insert, "Insert"},
            {KeyCode::deleteKey, "Delete"},
        };
        for (const auto& [code, name] : named) {
            out.emplace_back(code, name);
        }
        return out;
    }();
    return names;
}

constexpr std::array<std::pair<ModifierFlags, const char*>, 4> modifierNames = {{
    {Modifier::control, "Control"},
    {Modifier::shift, "Shift"},
    {Modifier::alt, "Alt"},
    {Modifier::super, "Super"},
}};

// Virtual key codes of the ANSI keyboard that earlier versions stored, with their evdev codes.
constexpr std::array<std::pair<std::uint16_t, std::uint16_t>, 76> earlierKeyCodes = {{
    {0, 30},    {1, 31},    {2, 32},    {3, 33},    {4, 35},    {5, 34},    {6, 44},    {7, 45},
    {8, 46},    {9, 47},    {10, 86},   {11, 48},   {12, 16},   {13, 17},   {14, 18},   {15, 19},
    {16, 21},   {17, 20},   {18, 2},    {19, 3},    {20, 4},    {21, 5},    {22, 7},    {23, 6},
    {24, 13},   {25, 10},   {26, 8},    {27, 12},   {28, 9},    {29, 11},   {30, 27},   {31, 24},
    {32, 22},   {33, 26},   {34, 23},   {35, 25},   {36, 28},   {37, 38},   {38, 36},   {39, 40},
    {40, 37},   {41, 39},   {42, 43},   {43, 51},   {44, 53},   {45, 49},   {46, 50},   {47, 52},
    {48, 15},   {49, 57},   {50, 41},   {51, 14},   {53, 1},    {123, 105}, {124, 106}, {125, 108},
    {126, 103}, {115, 102}, {119, 107}, {116, 104}, {121, 109}, {117, 111}, {76, 96},   {122, 59},
    {120, 60},  {99, 61},   {118, 62},  {96, 63},   {97, 64},   {98, 65},   {100, 66},  {101, 67},
    {109, 68},  {114, 110}, {103, 87},  {111, 88},
}};

} // namespace

std::string Shortcut::toString() const {
    std::string out;
    for (const auto& [flag, name] : modifierNames) {
        if ((modifiers & flag) != 0) {
            out += std::string(name) + "+";
        }
    }
    for (const auto& [code, name] : keyNames()) {
        if (code == keyCode) {
            return out + name;
        }
    }
    return out + "Key" + std::to_string(keyCode);
}

bool Shortcut::leavesTypingAlone() const {
    const bool functionKey = (keyCode >= KeyCode::f1 && keyCode <= KeyCode::f10) || keyCode == KeyCode::f11 ||
                             keyCode == KeyCode::f12 || (keyCode >= 183 && keyCode <= 194); // F13 to F24
    return (modifiers & (Modifier::control | Modifier::alt | Modifier::super)) != 0 || functionKey;
}

std::optional<Shortcut> Shortcut::fromString(std::string_view text) {
    Shortcut shortcut;
    while (true) {
        const std::size_t plus = text.find('+');
        const std::string_view part = text.substr(0, plus);
        if (plus == std::string_view::npos) {
            for (const auto& [code, name] : keyNames()) {
                if (part == name) {
                    shortcut.keyCode = code;
                    return shortcut;
                }
            }
            return std::nullopt;
        }
        bool known = false;
        for (const auto& [flag, name] : modifierNames) {
            if (part == name) {
                shortcut.modifiers |= flag;
                known = true;
            }
        }
        if (!known) {
            return std::nullopt;
        }
        text.remove_prefix(plus + 1);
    }
}

std::optional<Shortcut> Shortcut::fromEarlierNumbers(std::uint32_t keyCode, std::uint32_t modifiers) {
    for (const auto& [earlier, evdev] : earlierKeyCodes) {
        if (earlier == keyCode) {
            // Both old Control bits are Control; the old Alt bit is Alt.
            const ModifierFlags flags = ((modifiers & (0x0100u | 0x1000u)) ? Modifier::control : 0u) |
                                        ((modifiers & 0x0200u) ? Modifier::shift : 0u) |
                                        ((modifiers & 0x0800u) ? Modifier::alt : 0u);
            return Shortcut{evdev, flags};
        }
    }
    return std::nullopt;
}

} // namespace keyvane
