#include "CompiledRegex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace keyvane {

namespace {
// A pattern from a damaged rules file must never hang the typing path: a search that runs
// this long (in ICU's time-limit steps, roughly milliseconds) is stopped and counts as no match.
constexpr int32_t kMatchTimeLimit = 50;
} // namespace

CompiledRegex::CompiledRegex(std::string pattern, bool caseInsensitive,
                             std::shared_ptr<const icu::RegexPattern> compiled)
    : pattern_(std::move(pattern)), caseInsensitive_(caseInsensitive), compiled_(std::move(compiled)) {}

std::optional<CompiledRegex> CompiledRegex::compile(std::string_view pattern, bool caseInsensitive) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    icu::UnicodeString source =
        icu::UnicodeString::fromUTF8(icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size())));
    uint32_t flags = caseInsensitive ? UREGEX_CASE_INSENSITIVE : 0;
    std::shared_ptr<const icu::RegexPattern> compiled(icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || !compiled) {
        return std::nullopt;
    }
    return CompiledRegex(std::string(pattern), caseInsensitive, std::move(compiled));
}

bool CompiledRegex::find(std::string_view text) const {
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString input =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::unique_ptr<icu::RegexMatcher> matcher(compiled_->matcher(input, status));
    if (U_FAILURE(status) || !matcher) {
        return false;
    }
    matcher->setTimeLimit(kMatchTimeLimit, status);
    bool found = matcher->find(status) != 0;
    return U_SUCCESS(status) && found;
}

} // namespace keyvane
