#include "CompiledRegex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace keyvane {

namespace {
// A pattern from a damaged rules file must never hang the typing path: a search that runs
// this long (in ICU's time-limit steps, roughly milliseconds) is stopped and counts as no match.
constexpr int32_t kMatchTimeLimit = 50;

std::uint64_t pairKey(UChar32 first, UChar32 second) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(first)) << 32) | static_cast<std::uint32_t>(second);
}

// The code point pairs of a pattern made only of alternatives "ab" or "a[bcd]" (literal
// characters, no ranges or negation); nothing for any other pattern.
std::optional<std::unordered_set<std::uint64_t>> literalPairs(const icu::UnicodeString& pattern) {
    static const icu::UnicodeString special(u"\\^$.|?*+()[]{}-&");
    auto literal = [&](UChar32 c) { return c > 0x20 && special.indexOf(c) < 0; };
    std::unordered_set<std::uint64_t> pairs;
    int32_t i = 0;
    const int32_t n = pattern.length();
    while (true) {
        if (i >= n) {
            return std::nullopt;
        }
        const UChar32 first = pattern.char32At(i);
        if (!literal(first)) {
            return std::nullopt;
        }
        i = pattern.moveIndex32(i, 1);
        if (i >= n) {
            return std::nullopt;
        }
        UChar32 next = pattern.char32At(i);
        if (next == u'[') {
            i = pattern.moveIndex32(i, 1);
            int32_t members = 0;
            while (i < n && pattern.char32At(i) != u']') {
                const UChar32 second = pattern.char32At(i);
                if (!literal(second)) {
                    return std::nullopt;
                }
                pairs.insert(pairKey(first, second));
                ++members;
                i = pattern.moveIndex32(i, 1);
            }
            if (i >= n || members == 0) {
                return std::nullopt;
            }
        } else if (literal(next)) {
            pairs.insert(pairKey(first, next));
        } else {
            return std::nullopt;
        }
        i = pattern.moveIndex32(i, 1);
        if (i == n) {
            return pairs;
        }
        if (pattern.char32At(i) != u'|') {
            return std::nullopt;
        }
        i = pattern.moveIndex32(i, 1);
    }
}
} // namespace

CompiledRegex::CompiledRegex(std::shared_ptr<const icu::RegexPattern> compiled) : compiled_(std::move(compiled)) {}

// A copy shares the compiled pattern but gets its own matcher.
CompiledRegex::CompiledRegex(const CompiledRegex& other) : compiled_(other.compiled_), pairs_(other.pairs_) {}

CompiledRegex& CompiledRegex::operator=(const CompiledRegex& other) {
    if (this != &other) {
        compiled_ = other.compiled_;
        pairs_ = other.pairs_;
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
    CompiledRegex regex(std::move(compiled));
    if (!caseInsensitive) {
        if (auto pairs = literalPairs(source)) {
            regex.pairs_ = std::make_shared<const PairSet>(std::move(*pairs));
        }
    }
    return regex;
}

bool CompiledRegex::find(std::string_view text) const {
    if (pairs_) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
        const auto length = static_cast<int32_t>(text.size());
        int32_t i = 0;
        UChar32 previous = U_SENTINEL;
        while (i < length) {
            UChar32 c = 0;
            U8_NEXT(bytes, i, length, c);
            if (previous >= 0 && c >= 0 && pairs_->contains(pairKey(previous, c))) {
                return true;
            }
            previous = c;
        }
        return false;
    }
    return find(icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))));
}

bool CompiledRegex::find(const icu::UnicodeString& text) const {
    if (pairs_) {
        UChar32 previous = U_SENTINEL;
        for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
            const UChar32 c = text.char32At(i);
            if (previous >= 0 && pairs_->contains(pairKey(previous, c))) {
                return true;
            }
            previous = c;
        }
        return false;
    }
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
