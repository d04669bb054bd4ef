// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/CompiledRegex.h"
#include "KeyvaneCore/Language.h"
#include "KeyvaneCore/Models.h"
#include "KeyvaneCore/Vocabulary.h"
#include "KeyvaneCore/WordHash.h"
#include "KeyvaneCore/WordSet.h"

#include <map>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <utility>
#include <vector>

namespace keyvane {

// What the engine knows about one language. Built from one entry of the rules file's
// "languages" section, with built-in defaults standing in for missing data.
struct LanguageConfig {
    std::string script;
    StringSet scriptAlphabet;
    StringSet vowels;
    WordSet commonWords;
    StringSet phraseStartWords;
    std::vector<std::string> strongWordStarts;
    std::vector<std::string> weakWordStarts;
    std::vector<std::string> strongWordEnds;
    std::vector<std::string> weakWordEnds;
    StringSet strongBigrams;
    StringSet strongTrigrams;
    std::vector<CompiledRegex> impossiblePatterns;
    std::vector<CompiledRegex> rarePatterns;
    // Longest suffix first.
    std::vector<std::pair<std::string, double>> commonSuffixBoosts;
    StringSet microDictionary;
    StringMap<double> bigramLogWeights;
    double unknownBigramWeight = -1.5;
    double ngramScoringScale = 20.0;
    // Every word form the language's dictionary accepts; none when its file is not there.
    std::shared_ptr<const Vocabulary> vocabulary;

    // A word of the language (lower-cased): a common word or any form of the full vocabulary.
    bool knows(std::string_view lowerCasedWord) const {
        return commonWords.contains(lowerCasedWord) || (vocabulary && vocabulary->contains(lowerCasedWord));
    }
    // Asks the memory for what a lookup of the word will read first, so that the lookups of a
    // word's readings wait for the memory side by side rather than one after another.
    void prefetch(std::string_view lowerCasedWord) const {
        const std::uint64_t hash = hashWord(lowerCasedWord);
        commonWords.prefetch(hash);
        if (vocabulary) {
            vocabulary->prefetch(hash);
        }
    }
};

namespace LanguageDefaults {

// Built-in defaults by language.
const StringSet& defaultVowels(Language language);
const StringSet& defaultScriptAlphabet(Language language);
const StringSet& defaultMicroDictionary(Language language);
const StringMap<double>& defaultBigramLogWeights(Language language);
const std::vector<CompiledRegex>& defaultImpossiblePatterns(Language language);
const std::vector<CompiledRegex>& defaultRarePatterns(Language language);

} // namespace LanguageDefaults

// The "languages" section: language code → its data. Entries that are not objects, and codes
// that name no language, are skipped.
std::map<Language, LanguageConfig> parseLanguages(const nlohmann::json& section);

// One language entry; `language` selects the built-in defaults.
LanguageConfig parseLanguage(Language language, const nlohmann::json& entry);

} // namespace keyvane
