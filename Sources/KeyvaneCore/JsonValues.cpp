// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/JsonValues.h"

#include "KeyvaneCore/UnicodeText.h"

#include <cmath>
#include <limits>

namespace keyvane::JsonValues {

const Json* member(const Json& object, const char* key) {
    if (!object.is_object()) {
        return nullptr;
    }
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

const Json* objectMember(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

const Json* arrayMember(const Json& object, const char* key) {
    const Json* value = member(object, key);
    return value != nullptr && value->is_array() ? value : nullptr;
}

std::optional<std::string> string(const Json* value) {
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::optional<double> number(const Json* value) {
    if (value == nullptr || !value->is_number()) {
        return std::nullopt;
    }
    double d = value->get<double>();
    if (!std::isfinite(d)) {
        return std::nullopt;
    }
    return d;
}

std::optional<bool> boolean(const Json* value) {
    if (value == nullptr || !value->is_boolean()) {
        return std::nullopt;
    }
    return value->get<bool>();
}

std::optional<int> integer(const Json* value) {
    std::optional<double> d = number(value);
    if (!d || std::trunc(*d) != *d || *d < std::numeric_limits<int>::min() ||
        *d > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(*d);
}

std::optional<std::vector<std::string>> stringList(const Json* value) {
    if (value == nullptr || !value->is_array()) {
        return std::nullopt;
    }
    std::vector<std::string> out;
    out.reserve(value->size());
    for (const Json& element : *value) {
        if (element.is_string()) { // a malformed entry is dropped alone, never the whole list
            out.push_back(element.get<std::string>());
        }
    }
    return out;
}

std::optional<std::vector<const Json*>> objectList(const Json* value) {
    if (value == nullptr || !value->is_array()) {
        return std::nullopt;
    }
    std::vector<const Json*> out;
    out.reserve(value->size());
    for (const Json& element : *value) {
        if (!element.is_object()) {
            return std::nullopt;
        }
        out.push_back(&element);
    }
    return out;
}

StringSet characterSet(const std::vector<std::string>& strings) {
    StringSet out;
    for (const std::string& s : strings) {
        if (!s.empty()) {
            out.insert(UnicodeText::firstGrapheme(s));
        }
    }
    return out;
}

StringSet lowerCasedSet(const std::vector<std::string>& strings) {
    StringSet out;
    out.reserve(strings.size());
    for (const std::string& s : strings) {
        out.insert(UnicodeText::toLower(s));
    }
    return out;
}

std::vector<CompiledRegex> compileAll(const std::vector<std::string>& patterns, bool caseInsensitive) {
    std::vector<CompiledRegex> out;
    for (const std::string& p : patterns) {
        if (auto compiled = CompiledRegex::compile(p, caseInsensitive)) {
            out.push_back(std::move(*compiled));
        }
    }
    return out;
}

} // namespace keyvane::JsonValues
