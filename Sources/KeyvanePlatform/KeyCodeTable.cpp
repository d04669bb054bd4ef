#include "KeyvanePlatform/KeyCodeTable.h"

#include <array>
#include <utility>

namespace keyvane::KeyCodeTable {
namespace {

// (evdev, virtual key)
constexpr std::array<std::pair<std::uint32_t, std::uint16_t>, 76> kTable = {{
    {30, 0},    {31, 1},    {32, 2},    {33, 3},    {35, 4},    {34, 5},    {44, 6},    {45, 7},
    {46, 8},    {47, 9},    {86, 10},   {48, 11},   {16, 12},   {17, 13},   {18, 14},   {19, 15},
    {21, 16},   {20, 17},   {2, 18},    {3, 19},    {4, 20},    {5, 21},    {7, 22},    {6, 23},
    {13, 24},   {10, 25},   {8, 26},    {12, 27},   {9, 28},    {11, 29},   {27, 30},   {24, 31},
    {22, 32},   {26, 33},   {23, 34},   {25, 35},   {28, 36},   {38, 37},   {36, 38},   {40, 39},
    {37, 40},   {39, 41},   {43, 42},   {51, 43},   {53, 44},   {49, 45},   {50, 46},   {52, 47},
    {15, 48},   {57, 49},   {41, 50},   {14, 51},   {1, 53},    {105, 123}, {106, 124}, {108, 125},
    {103, 126}, {102, 115}, {107, 119}, {104, 116}, {109, 121}, {111, 117}, {96, 76},   {59, 122},
    {60, 120},  {61, 99},   {62, 118},  {63, 96},   {64, 97},   {65, 98},   {66, 100},  {67, 101},
    {68, 109},  {110, 114}, {87, 103},  {88, 111},
}};

} // namespace

std::optional<std::uint16_t> virtualKeyForEvdev(std::uint32_t evdevCode) {
    for (const auto& [evdev, virtualKey] : kTable) {
        if (evdev == evdevCode) {
            return virtualKey;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> evdevForVirtualKey(std::uint16_t virtualKey) {
    for (const auto& [evdev, key] : kTable) {
        if (key == virtualKey) {
            return evdev;
        }
    }
    return std::nullopt;
}

} // namespace keyvane::KeyCodeTable
