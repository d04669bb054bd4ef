// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/LayoutDirection.h"
#include "KeyvaneCore/Models.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace keyvane {

// One character (grapheme cluster) to one character: what a key's character becomes in the
// other layout.
using KeyboardMap = StringMap<std::string>;
using KeyboardMapsByDirection = std::unordered_map<LayoutDirection, KeyboardMap, LayoutDirectionHash>;

namespace KeyboardMaps {

// The built-in tables: English–Ukrainian and Russian–Ukrainian in both directions. The
// English–Russian tables come from the rules file only. Built once, never changed.
const KeyboardMapsByDirection& defaultKeyboardMaps();
const KeyboardMapsByDirection& defaultKeyboardShiftMaps();

// Unshifted QWERTY punctuation key → the character the same key gives with Shift.
const KeyboardMap& qwertyShiftedPunctuation();

// v → k for every pair k → v; when two keys share a value the first pair wins.
KeyboardMap invertMap(const std::vector<std::pair<std::string, std::string>>& pairs);

// Shift map from a lower map: key upper-cased (or its shifted punctuation when
// `shiftedPunctuation` knows the key), value upper-cased when it is a letter. A later pair
// with the same key replaces an earlier one.
std::vector<std::pair<std::string, std::string>>
uppercasedLayoutMap(const std::vector<std::pair<std::string, std::string>>& lowerPairs,
                    const KeyboardMap* shiftedPunctuation = nullptr);

// What one character (grapheme cluster) becomes through a lower and an upper (shift) map: the
// upper map's value for a capital, else the lower map's value of its small letter in capitals;
// for any other character the lower map's value, else the upper map's; else the character itself.
std::string mapCharacter(std::string_view character, const KeyboardMap& lowerMap,
                         const KeyboardMap& upperMap);

// Renders a word key by key through a lower and an upper (shift) map. Characters that neither
// map knows pass through, so the result has as many characters as the token.
std::string mapToken(std::string_view token, const KeyboardMap& lowerMap, const KeyboardMap& upperMap);

// The replacement with the capitalisation pattern of the typed word: capitalised, all
// capitals, or unchanged.
std::string preserveCase(std::string_view original, std::string_view replacement);

} // namespace KeyboardMaps
} // namespace keyvane
