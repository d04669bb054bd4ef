// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/CompiledRegex.h"
#include "KeyvaneCore/Models.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

// Tolerant readers for configuration JSON: each returns nothing when the value is missing or
// of the wrong type, so that the caller falls back to its default.
namespace keyvane::JsonValues {

using Json = nlohmann::json;

// The member `key` of an object, or nullptr when `object` is not an object or lacks the key.
const Json* member(const Json& object, const char* key);

// The member if it is an object / an array, else nullptr.
const Json* objectMember(const Json& object, const char* key);
const Json* arrayMember(const Json& object, const char* key);

std::optional<std::string> string(const Json* value);
std::optional<double> number(const Json* value);
std::optional<bool> boolean(const Json* value);
// A number that is exactly an integer and fits an int.
std::optional<int> integer(const Json* value);

// The strings of an array, in order; an element of another type is dropped on its own (one bad
// entry must not cost the user a whole list). Nothing when the value is no array.
std::optional<std::vector<std::string>> stringList(const Json* value);

// An array whose elements are all objects; an array holding anything else is the wrong type.
std::optional<std::vector<const Json*>> objectList(const Json* value);

// The first character of every non-empty string.
StringSet characterSet(const std::vector<std::string>& strings);

// Each string lower-cased, as a set.
StringSet lowerCasedSet(const std::vector<std::string>& strings);

// Every pattern that compiles, in order; the others are dropped.
std::vector<CompiledRegex> compileAll(const std::vector<std::string>& patterns, bool caseInsensitive = false);

} // namespace keyvane::JsonValues
