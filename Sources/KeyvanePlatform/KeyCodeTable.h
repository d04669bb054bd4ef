#pragma once

#include <cstdint>
#include <optional>

// The fixed correspondence between Linux evdev key codes (X key code − 8) and the ANSI virtual
// key codes that the rest of the program uses.
namespace keyvane::KeyCodeTable {

std::optional<std::uint16_t> virtualKeyForEvdev(std::uint32_t evdevCode);
std::optional<std::uint32_t> evdevForVirtualKey(std::uint16_t virtualKey);

} // namespace keyvane::KeyCodeTable
