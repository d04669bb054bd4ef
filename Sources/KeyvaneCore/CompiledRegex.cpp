#include "CompiledRegex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace keyvane {

namespace {
// A pattern from a damaged rules file must never hang the typing path: a search that runs
// this long (in ICU's time-limit steps, roughly milliseconds) is stopped and counts as no match.
constexpr int32_t kMatchTimeLimit = 50;
} // namespace

CompiledRegex::CompiledRegex(std::shared_ptr<const icu::RegexPattern> compiled) : compiled_(std::move(compiled)) {}

// A copy shares the compiled pattern but gets its own matcher.
CompiledRegex::CompiledRegex(const CompiledRegex& other) : compiled_(other.compiled_) {}

CompiledRegex& CompiledRegex::operator=(const CompiledRegex& other) {
    if (this != &other) {
        compiled_ = other.compiled_;
        matcher_.reset();
    }
    return *this;
}

CompiledRegex::CompiledRegex(CompiledRegex&&) noexcept = default;
CompiledRegex& CompiledRegex::operator=(CompiledRegex&&) noexcept = default;
CompiledRegex::~CompiledRegex() = default;

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
    return CompiledRegex(std::move(compiled));
}

bool CompiledRegex::find(std::string_view text) const {
    return find(icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))));
}

bool CompiledRegex::find(const icu::UnicodeString& text) const {
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher_) {
        matcher_.reset(compiled_->matcher(status));
        if (U_FAILURE(status) || !matcher_) {
            matcher_.reset();
            return false;
        }
        matcher_->setTimeLimit(kMatchTimeLimit, status);
    }
    // The matcher keeps a pointer to the text, but is not used again before the next reset.
    matcher_->reset(text);
    bool found = matcher_->find(status) != 0;
    return U_SUCCESS(status) && found;
}

} // namespace keyvane
