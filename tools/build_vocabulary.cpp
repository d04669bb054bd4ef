// SPDX-License-Identifier: GPL-3.0-or-later
// Builds the full vocabulary of one language: every word form of its hunspell dictionary (its
// stems with the forms its affix rules give), lower-cased, kept when written in the language's
// alphabet (an apostrophe or hyphen inside is allowed), as a compressed trie the program maps at
// start.
//
// Usage: keyvane-build-vocabulary RULES_FILE LANGUAGE DICTIONARY.dic DICTIONARY.aff OUTPUT

#include "HunspellForms.h"
#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/UnicodeText.h"
#include "KeyvaneCore/Vocabulary.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

using namespace keyvane;

// The word lower-cased when it is written in the alphabet; empty otherwise.
std::string accepted(const std::string& line, const StringSet& alphabet) {
    const std::string lower = UnicodeText::toLower(UnicodeText::trimWhitespace(line));
    const std::vector<std::string> chars = UnicodeText::graphemes(lower);
    if (chars.empty()) {
        return {};
    }
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const bool inner = i > 0 && i + 1 < chars.size();
        if (!alphabet.contains(chars[i]) && !(inner && (chars[i] == "'" || chars[i] == "-"))) {
            return {};
        }
    }
    return lower;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::cerr
            << "Usage: keyvane-build-vocabulary RULES_FILE LANGUAGE DICTIONARY.dic DICTIONARY.aff OUTPUT\n";
        return 2;
    }
    const std::string language = argv[2];
    auto rulesText = AtomicFile::read(argv[1]);
    auto dicText = AtomicFile::read(argv[3]);
    auto affText = AtomicFile::read(argv[4]);
    if (!rulesText || !dicText || !affText) {
        std::cerr << "Error: cannot read " << (!rulesText ? argv[1] : !dicText ? argv[3] : argv[4]) << "\n";
        return 1;
    }
    const std::optional<HunspellForms> forms = HunspellForms::parse(*affText);
    if (!forms) {
        std::cerr << "Error: no affix rules this tool reads in " << argv[4] << "\n";
        return 1;
    }
    const nlohmann::json rules = nlohmann::json::parse(*rulesText, nullptr, false);
    const RulesConfig config = RulesConfig::parse(rules.is_object() ? rules : nlohmann::json::object());
    const std::optional<Language> configured = languageFromString(language);
    auto found = configured ? config.languages.find(*configured) : config.languages.end();
    if (found == config.languages.end() || found->second.scriptAlphabet.empty()) {
        std::cerr << "Error: the rules file has no alphabet for language '" << language << "'\n";
        return 1;
    }
    std::vector<std::string> words;
    forms->expand(*dicText, [&](const std::string& form) {
        std::string word = accepted(form, found->second.scriptAlphabet);
        if (word.empty()) {
            return;
        }
        // Most people type "еще" for "ещё": both spellings are words.
        if (language == "ru" && word.find("ё") != std::string::npos) {
            std::string plain = word;
            for (std::size_t at = plain.find("ё"); at != std::string::npos; at = plain.find("ё", at)) {
                plain.replace(at, std::string("ё").size(), "е");
            }
            words.push_back(std::move(plain));
        }
        words.push_back(std::move(word));
    });
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    if (words.empty() || !Vocabulary::write(words, argv[5])) {
        std::cerr << "Error: cannot write the vocabulary " << argv[5] << "\n";
        return 1;
    }
    std::cout << language << ": " << words.size() << " word forms\n";
    return 0;
}
