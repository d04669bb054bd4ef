// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/FastJson.h"

#include <simdjson.h>

namespace keyvane::FastJson {
namespace {

// The caller has checked the nesting depth, so the recursion is bounded.
nlohmann::json convert(simdjson::dom::element element) {
    using Type = simdjson::dom::element_type;
    switch (element.type()) {
    case Type::ARRAY: {
        nlohmann::json array = nlohmann::json::array();
        auto& items = array.get_ref<nlohmann::json::array_t&>();
        simdjson::dom::array source;
        if (element.get(source) != simdjson::SUCCESS) {
            return array; // cannot happen: the element is an array
        }
        items.reserve(source.size());
        for (simdjson::dom::element item : source) {
            items.push_back(convert(item));
        }
        return array;
    }
    case Type::OBJECT: {
        nlohmann::json object = nlohmann::json::object();
        auto& members = object.get_ref<nlohmann::json::object_t&>();
        simdjson::dom::object source;
        if (element.get(source) != simdjson::SUCCESS) {
            return object; // cannot happen: the element is an object
        }
        for (auto [key, value] : source) {
            members.insert_or_assign(std::string(key), convert(value)); // the last repeat wins
        }
        return object;
    }
    case Type::INT64: {
        const std::int64_t number = element.get_int64().value_unsafe();
        if (number >= 0) {
            return static_cast<std::uint64_t>(number); // as the ordinary reader stores it
        }
        return number;
    }
    case Type::UINT64: return element.get_uint64().value_unsafe();
    case Type::DOUBLE: return element.get_double().value_unsafe();
    case Type::STRING: return std::string(element.get_string().value_unsafe());
    case Type::BOOL: return element.get_bool().value_unsafe();
    case Type::NULL_VALUE: return nullptr;
    }
    return nullptr;
}

} // namespace

std::optional<nlohmann::json> parse(std::string_view text, const std::function<void()>& onRead) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    if (parser.parse(text.data(), text.size(), /*realloc_if_needed=*/true).get(root) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    if (onRead) {
        onRead();
    }
    return convert(root);
}

} // namespace keyvane::FastJson
