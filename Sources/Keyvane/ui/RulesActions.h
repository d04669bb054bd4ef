// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The Rules tab's content, apart from the widgets: the correction pairs and the never-correct
// words the user taught (or the seed gave), with their languages, read from and saved to the
// manual overrides.
namespace keyvane::RulesActions {

struct PairRow {
    std::string fromLanguage;
    std::string typed;
    std::string toLanguage;
    std::string corrected;
};

struct ExceptionRow {
    std::string language;
    std::string word;
};

struct Rules {
    std::vector<PairRow> pairs;           // by the typed word
    std::vector<ExceptionRow> exceptions; // by the word
};

// A word's language when none is saved: "en" without a Cyrillic letter, else the first of Russian
// and Ukrainian in the user's order of languages (Russian when neither is active).
std::string detectLanguage(const std::string& word, const std::vector<std::string>& activeLanguages);

Rules load();
// Saves both lists in place of the saved ones; false when nothing could be saved.
bool save(const Rules& rules);

// Adds a pair (both words lower-cased and trimmed; one with the same typed word is replaced);
// false, and nothing added, when a word is empty.
bool addPair(Rules& rules, PairRow pair);
bool addException(Rules& rules, ExceptionRow exception);

// Whether a row is shown for a search: every row for an empty one, else the rows with a word
// holding the text, ignoring case.
bool matches(const PairRow& row, const std::string& search);
bool matches(const ExceptionRow& row, const std::string& search);

} // namespace keyvane::RulesActions
