// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

// The user's manual overrides ("manual_overrides.json"): the one place that reads, changes and
// writes them. Created from the rules file's seed on first use and topped up with new seed entries
// (ManualOverridesMerge); every change is a load-modify-save under the file's advisory lock, so
// that two copies of the program (or the settings window) saving at once never lose each other's
// entries. Nothing here waits for that lock: what finds it held by another process changes nothing
// and says so (`Change::busy`), for the caller to try again later.
namespace keyvane::ManualOverridesFile {

// The user's overrides, created from the seed of the given rules file on first use, and topped
// up with its new seed entries (written under the lock; while another process holds it, the merge
// is used but written at a later load). A file that cannot be read is left alone: the seed is used.
nlohmann::json load(const nlohmann::json& rulesFile);

// Writes the overrides atomically; false (and one log line) on failure, and when a file is there
// that could not be read (it is never overwritten).
bool save(const nlohmann::json& overrides);

enum class Change { added, alreadyThere, notSaved, busy };

// Adds a word (as given: lower-cased and trimmed by the caller) that is never to be corrected,
// with its language.
Change addNeverCorrect(const std::string& word, const std::string& language);

// Adds a learned pair: the typed word becomes the meant one, between the two languages.
Change addExactPair(const std::string& typed, const std::string& meant, const std::string& sourceLanguage,
                    const std::string& targetLanguage);

// Puts the user's pairs and never-correct words, with their languages, in place of those saved (the
// other sections are kept): what the settings window's Rules tab saves. False when not saved
// (also while another process holds the lock).
bool replaceUserRules(const nlohmann::json& exactPairs, const nlohmann::json& exactPairsMeta,
                      const std::vector<std::string>& neverCorrect, const nlohmann::json& neverCorrectMeta);

} // namespace keyvane::ManualOverridesFile
