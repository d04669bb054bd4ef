// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// Splits text into the words that the verification run checks.
namespace keyvane::WordTokenizer {

// Runs of Latin or basic Russian letters, joined by hyphens or apostrophes.
std::vector<std::string> words(const std::string& text);

// Also keeps the punctuation keys that carry Russian letters (",.;'[]`") at the start and inside
// a word, so that a Russian word typed on the English layout stays one token.
std::vector<std::string> reverseWords(const std::string& text);

} // namespace keyvane::WordTokenizer
