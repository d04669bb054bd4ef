// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneDevTools/WordTokenizer.h"

#include <memory>
#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace keyvane::WordTokenizer {
namespace {

std::vector<std::string> allMatches(const char* pattern, const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(
        new icu::RegexMatcher(icu::UnicodeString::fromUTF8(pattern), 0, status));
    std::vector<std::string> out;
    if (U_FAILURE(status)) {
        return out;
    }
    icu::UnicodeString input =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    matcher->reset(input);
    while (matcher->find(status) && U_SUCCESS(status)) {
        std::string word;
        matcher->group(status).toUTF8String(word);
        out.push_back(std::move(word));
    }
    return out;
}

} // namespace

std::vector<std::string> words(const std::string& text) {
    return allMatches("[A-Za-zА-Яа-яЁё]+(?:[-'’][A-Za-zА-Яа-яЁё]+)*", text);
}

std::vector<std::string> reverseWords(const std::string& text) {
    return allMatches("[,.;'\\[\\]`’]?[A-Za-zА-Яа-яЁё]+(?:[-,.;'\\[\\]`’][A-Za-zА-Яа-яЁё]+)*", text);
}

} // namespace keyvane::WordTokenizer
