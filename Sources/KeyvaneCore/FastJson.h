// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

// Strict JSON read with simdjson (gigabytes a second) into the same document the ordinary reader
// gives: the rules file is read this way at start, where the ordinary reader took most of the
// load time.
namespace keyvane::FastJson {

// The document, exactly as nlohmann::json::parse gives it (non-negative integers unsigned, the
// last of repeated keys kept); nothing when the text is not strict JSON (comments, trailing
// commas, numbers out of range, bad UTF-8), which the ordinary reader then takes or explains.
// `onRead`, when given, runs once the text has been read and is no longer needed (the document is
// built from simdjson's own copy), so that a caller can free it before the document doubles the
// memory in use.
std::optional<nlohmann::json> parse(std::string_view text, const std::function<void()>& onRead = {});

} // namespace keyvane::FastJson
