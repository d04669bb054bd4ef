// SPDX-License-Identifier: GPL-3.0-or-later
#include "HunspellForms.h"

#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

namespace keyvane {
namespace {

// The fields of an affix line: bytes between spaces and tabs. (Not split by grapheme: a field of
// its own may be a combining mark, as in "IGNORE ́".)
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; in >> field;) {
        out.push_back(field);
    }
    return out;
}

std::u32string withoutIgnored(std::u32string text, const std::u32string& ignored) {
    if (!ignored.empty()) {
        std::erase_if(text, [&](char32_t c) { return ignored.find(c) != std::u32string::npos; });
    }
    return text;
}

} // namespace

using ConditionElement = HunspellForms::ConditionElement;

namespace {

std::vector<ConditionElement> parseCondition(const std::u32string& text) {
    std::vector<ConditionElement> out;
    if (text == U".") {
        return out;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        ConditionElement element;
        if (text[i] == U'.') {
            element.any = true;
        } else if (text[i] == U'[') {
            std::size_t close = text.find(U']', i);
            if (close == std::u32string::npos) {
                close = text.size();
            }
            std::u32string inside = text.substr(i + 1, close - i - 1);
            if (!inside.empty() && inside.front() == U'^') {
                element.negated = true;
                inside.erase(0, 1);
            }
            element.letters = inside;
            i = close;
        } else {
            element.letters = text.substr(i, 1);
        }
        out.push_back(std::move(element));
    }
    return out;
}

bool matches(const ConditionElement& element, char32_t c) {
    if (element.any) {
        return true;
    }
    const bool listed = element.letters.find(c) != std::u32string::npos;
    return element.negated ? !listed : listed;
}

bool conditionHolds(const std::vector<ConditionElement>& condition, const std::u32string& stem,
                    bool atStart) {
    if (condition.size() > stem.size()) {
        return false;
    }
    const std::size_t offset = atStart ? 0 : stem.size() - condition.size();
    for (std::size_t i = 0; i < condition.size(); ++i) {
        if (!matches(condition[i], stem[offset + i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<HunspellForms> HunspellForms::parse(std::string_view affText) {
    HunspellForms forms;
    std::map<std::pair<bool, char32_t>, std::size_t> byFlag; // (prefix, flag) → affix
    std::istringstream lines{std::string(affText)};
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> f = fields(line);
        if (f.empty() || f[0].starts_with('#')) {
            continue;
        }
        if (f[0] == "FLAG") {
            return std::nullopt; // long or numeric flags: not the dictionaries this reads
        }
        if (f[0] == "IGNORE" && f.size() >= 2) {
            forms.ignored_ = UnicodeText::codePoints(f[1]);
            continue;
        }
        if ((f[0] != "PFX" && f[0] != "SFX") || f.size() < 4) {
            continue;
        }
        const bool prefix = f[0] == "PFX";
        const std::u32string flagText = UnicodeText::codePoints(f[1]);
        if (flagText.size() != 1) {
            continue;
        }
        const auto key = std::make_pair(prefix, flagText.front());
        auto known = byFlag.find(key);
        if (known == byFlag.end()) { // the header: flag, cross product, number of rules
            Affix affix;
            affix.flag = flagText.front();
            affix.prefix = prefix;
            affix.crossProduct = f[2] == "Y";
            byFlag.emplace(key, forms.affixes_.size());
            forms.affixes_.push_back(std::move(affix));
            continue;
        }
        Rule rule;
        rule.strip =
            f[2] == "0" ? std::u32string() : withoutIgnored(UnicodeText::codePoints(f[2]), forms.ignored_);
        std::string add = f[3];
        if (auto slash = add.find('/'); slash != std::string::npos) {
            add.erase(slash); // continuation classes are not used by these dictionaries' forms
        }
        rule.add =
            add == "0" ? std::u32string() : withoutIgnored(UnicodeText::codePoints(add), forms.ignored_);
        rule.condition = parseCondition(f.size() >= 5 ? UnicodeText::codePoints(f[4]) : U".");
        forms.affixes_[known->second].rules.push_back(std::move(rule));
    }
    if (forms.affixes_.empty()) {
        return std::nullopt;
    }
    return forms;
}

void HunspellForms::expand(std::string_view dicText,
                           const std::function<void(const std::string&)>& emit) const {
    std::map<char32_t, std::vector<const Affix*>> affixesByFlag;
    for (const Affix& affix : affixes_) {
        affixesByFlag[affix.flag].push_back(&affix);
    }
    std::istringstream lines{std::string(dicText)};
    std::string line;
    std::getline(lines, line); // the number of entries
    std::vector<std::u32string> suffixed;
    while (std::getline(lines, line)) {
        // "stem/flags", then optional morphological fields after white space.
        std::size_t end = line.find_first_of(" \t\r");
        std::string entry = line.substr(0, end);
        std::size_t slash = entry.find('/');
        while (slash != std::string::npos && slash > 0 && entry[slash - 1] == '\\') {
            entry.erase(slash - 1, 1);
            slash = entry.find('/', slash);
        }
        const std::u32string stem = withoutIgnored(UnicodeText::codePoints(entry.substr(0, slash)), ignored_);
        if (stem.empty()) {
            continue;
        }
        const std::u32string flags =
            slash == std::string::npos ? std::u32string() : UnicodeText::codePoints(entry.substr(slash + 1));
        emit(UnicodeText::fromCodePoints(stem));
        std::vector<const Affix*> prefixes;
        std::vector<const Affix*> suffixes;
        for (char32_t flag : flags) {
            auto found = affixesByFlag.find(flag);
            if (found == affixesByFlag.end()) {
                continue;
            }
            for (const Affix* affix : found->second) {
                (affix->prefix ? prefixes : suffixes).push_back(affix);
            }
        }
        suffixed.clear();
        for (const Affix* affix : suffixes) {
            for (const Rule& rule : affix->rules) {
                if (stem.size() < rule.strip.size() || !stem.ends_with(rule.strip) ||
                    !conditionHolds(rule.condition, stem, false)) {
                    continue;
                }
                std::u32string form = stem.substr(0, stem.size() - rule.strip.size()) + rule.add;
                emit(UnicodeText::fromCodePoints(form));
                if (affix->crossProduct) {
                    suffixed.push_back(std::move(form));
                }
            }
        }
        for (const Affix* affix : prefixes) {
            for (const Rule& rule : affix->rules) {
                if (stem.size() < rule.strip.size() || !stem.starts_with(rule.strip) ||
                    !conditionHolds(rule.condition, stem, true)) {
                    continue;
                }
                emit(UnicodeText::fromCodePoints(rule.add + stem.substr(rule.strip.size())));
                if (!affix->crossProduct) {
                    continue;
                }
                for (const std::u32string& form : suffixed) {
                    if (form.starts_with(rule.strip)) {
                        emit(UnicodeText::fromCodePoints(rule.add + form.substr(rule.strip.size())));
                    }
                }
            }
        }
    }
}

} // namespace keyvane
