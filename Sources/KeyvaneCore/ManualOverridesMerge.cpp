#include "ManualOverridesMerge.h"

#include "JsonValues.h"

#include <algorithm>

namespace keyvane::ManualOverridesMerge {

Result merge(const nlohmann::json& bundled, const nlohmann::json& user) {
    Result result{user.is_object() ? user : nlohmann::json::object(), false};
    nlohmann::json& merged = result.merged;
    for (const char* key : {"exact_pairs", "exact_pairs_meta", "never_correct_meta"}) {
        const nlohmann::json* seed = JsonValues::objectMember(bundled, key);
        if (seed == nullptr || seed->empty()) {
            continue;
        }
        nlohmann::json target = merged.contains(key) && merged[key].is_object() ? merged[key] : nlohmann::json::object();
        for (const auto& [entry, value] : seed->items()) {
            if (!target.contains(entry)) {
                target[entry] = value;
                result.changed = true;
            }
        }
        merged[key] = std::move(target);
    }
    auto seedWords = JsonValues::stringList(JsonValues::member(bundled, "never_correct"));
    if (seedWords && !seedWords->empty()) {
        auto userWords = JsonValues::stringList(JsonValues::member(merged, "never_correct"))
                             .value_or(std::vector<std::string>{});
        const std::vector<std::string> before = userWords;
        for (const std::string& word : *seedWords) {
            if (std::find(before.begin(), before.end(), word) == before.end() &&
                std::find(userWords.begin(), userWords.end(), word) == userWords.end()) {
                userWords.push_back(word);
                result.changed = true;
            }
        }
        merged["never_correct"] = userWords;
    }
    return result;
}

} // namespace keyvane::ManualOverridesMerge
