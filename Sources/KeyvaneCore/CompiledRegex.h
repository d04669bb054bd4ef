#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
U_NAMESPACE_END

namespace keyvane {

// A regular expression in ICU syntax, compiled once when the rules file is loaded. Copies
// share the compiled pattern, which is never changed after compilation.
class CompiledRegex {
public:
    // Nothing when the pattern does not compile.
    static std::optional<CompiledRegex> compile(std::string_view pattern, bool caseInsensitive = false);

    // True when the pattern matches somewhere in text (an unanchored search).
    bool find(std::string_view text) const;

    const std::string& pattern() const { return pattern_; }
    bool caseInsensitive() const { return caseInsensitive_; }

private:
    CompiledRegex(std::string pattern, bool caseInsensitive, std::shared_ptr<const icu::RegexPattern> compiled);

    std::string pattern_;
    bool caseInsensitive_ = false;
    std::shared_ptr<const icu::RegexPattern> compiled_;
};

} // namespace keyvane
