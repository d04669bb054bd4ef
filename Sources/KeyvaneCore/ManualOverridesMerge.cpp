// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/ManualOverridesMerge.h"

#include "KeyvaneCore/JsonValues.h"

#include <algorithm>
#include <set>

namespace keyvane::ManualOverridesMerge {
namespace {

using Json = nlohmann::json;

std::set<std::string> stringSet(const Json* list) {
    std::vector<std::string> items = JsonValues::stringList(list).value_or(std::vector<std::string>{});
    return {items.begin(), items.end()};
}

} // namespace

Result merge(const Json& seed, const Json& user) {
    Result result{user.is_object() ? user : Json::object(), false};
    Json& merged = result.merged;
    const Json* givenMember = JsonValues::objectMember(merged, seedEntriesGiven);
    const bool remembers = givenMember != nullptr;
    std::set<std::string> givenPairs =
        remembers ? stringSet(JsonValues::member(*givenMember, "exact_pairs")) : std::set<std::string>{};
    std::set<std::string> givenWords =
        remembers ? stringSet(JsonValues::member(*givenMember, "never_correct")) : std::set<std::string>{};

    // Exact pairs: a seed pair the user lacks is added unless it was given before (then the user
    // deleted it). Its meta comes with it, and goes when the pair went.
    const Json* seedPairs = JsonValues::objectMember(seed, "exact_pairs");
    Json pairs = merged.contains("exact_pairs") && merged["exact_pairs"].is_object() ? merged["exact_pairs"]
                                                                                     : Json::object();
    Json pairsMeta = merged.contains("exact_pairs_meta") && merged["exact_pairs_meta"].is_object()
                         ? merged["exact_pairs_meta"]
                         : Json::object();
    const Json* seedPairsMeta = JsonValues::objectMember(seed, "exact_pairs_meta");
    if (seedPairs != nullptr) {
        for (const auto& [entry, value] : seedPairs->items()) {
            if (pairs.contains(entry)) {
                givenPairs.insert(entry); // files from before the record: what they hold was given
                continue;
            }
            if (remembers && givenPairs.contains(entry)) {
                continue;
            }
            pairs[entry] = value;
            givenPairs.insert(entry);
            if (seedPairsMeta != nullptr && seedPairsMeta->contains(entry) && !pairsMeta.contains(entry)) {
                pairsMeta[entry] = (*seedPairsMeta)[entry];
            }
            result.changed = true;
        }
        if (!seedPairs->empty()) {
            merged["exact_pairs"] = std::move(pairs);
            if (!pairsMeta.empty()) {
                merged["exact_pairs_meta"] = std::move(pairsMeta);
            }
        }
    }

    // Never-correct words, the same way; their meta is keyed by word.
    auto seedWords = JsonValues::stringList(JsonValues::member(seed, "never_correct"));
    const Json* seedWordsMeta = JsonValues::objectMember(seed, "never_correct_meta");
    if (seedWords && !seedWords->empty()) {
        auto userWords = JsonValues::stringList(JsonValues::member(merged, "never_correct"))
                             .value_or(std::vector<std::string>{});
        Json wordsMeta = merged.contains("never_correct_meta") && merged["never_correct_meta"].is_object()
                             ? merged["never_correct_meta"]
                             : Json::object();
        for (const std::string& word : *seedWords) {
            if (std::find(userWords.begin(), userWords.end(), word) != userWords.end()) {
                givenWords.insert(word);
                continue;
            }
            if (remembers && givenWords.contains(word)) {
                continue;
            }
            userWords.push_back(word);
            givenWords.insert(word);
            if (seedWordsMeta != nullptr && seedWordsMeta->contains(word) && !wordsMeta.contains(word)) {
                wordsMeta[word] = (*seedWordsMeta)[word];
            }
            result.changed = true;
        }
        merged["never_correct"] = userWords;
        if (!wordsMeta.empty()) {
            merged["never_correct_meta"] = std::move(wordsMeta);
        }
    }

    const Json given = {
        {"exact_pairs", Json(std::vector<std::string>(givenPairs.begin(), givenPairs.end()))},
        {"never_correct", Json(std::vector<std::string>(givenWords.begin(), givenWords.end()))}};
    if (!givenPairs.empty() || !givenWords.empty()) {
        if (!remembers || *givenMember != given) {
            result.changed = true;
            merged[seedEntriesGiven] = given;
        }
    }
    return result;
}

} // namespace keyvane::ManualOverridesMerge
