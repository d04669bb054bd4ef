// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unicode/uversion.h>
#include <vector>

U_NAMESPACE_BEGIN
class RegexPattern;
class RegexMatcher;
class UnicodeString;
U_NAMESPACE_END

namespace keyvane {

class Word;

// A regular expression in ICU syntax, compiled once when the rules file is loaded. Copies
// share the compiled pattern, which never changes. Each copy keeps its own matcher for reuse,
// so one object must not be searched from two threads at once (the engine is single-threaded).
class CompiledRegex {
public:
    // Nothing when the pattern does not compile.
    static std::optional<CompiledRegex> compile(std::string_view pattern, bool caseInsensitive = false);

    CompiledRegex(const CompiledRegex& other);
    CompiledRegex& operator=(const CompiledRegex& other);
    CompiledRegex(CompiledRegex&&) noexcept;
    CompiledRegex& operator=(CompiledRegex&&) noexcept;
    ~CompiledRegex();

    // True when the pattern matches somewhere in text (an unanchored search). A search that
    // runs too long counts as no match.
    bool find(std::string_view text) const;
    bool find(const icu::UnicodeString& text) const;

    // A text prepared once to be searched by many patterns: its UTF-16 form (for ICU) and its
    // code points (for the simple shapes) are each made on first need only.
    class Subject {
    public:
        explicit Subject(std::string_view utf8);
        // A word's text, with the code points its split already holds when it has them all.
        explicit Subject(const Word& word);
        ~Subject();
        Subject(const Subject&) = delete;
        Subject& operator=(const Subject&) = delete;
        const icu::UnicodeString& utf16() const;
        std::u32string_view codePoints() const;
        // The first code point (U+FFFD for a malformed one), -1 for empty text.
        int32_t firstCodePoint() const;
        // Which ASCII characters the text holds, and whether it holds any other.
        struct Characters {
            std::bitset<128> ascii;
            bool nonASCII = false;
        };
        const Characters& characters() const;

    private:
        std::string_view utf8_;
        mutable std::unique_ptr<icu::UnicodeString> utf16_;
        // Code points of words are decoded in place; longer texts take the heap.
        mutable std::array<char32_t, 32> inline_; // read only through codePoints_
        mutable std::u32string heap_;
        mutable std::u32string_view codePoints_;
        mutable bool decoded_ = false;
        mutable std::optional<Characters> characters_;
    };
    bool find(const Subject& subject) const;

    // Patterns asked together whether any of them matches a text (a language's impossible or rare
    // patterns). The runs of a class of characters among them are found in one pass over the text,
    // their classes read from one table; their letter pairs are one set; the others are searched
    // one by one.
    class AnyOf {
    public:
        AnyOf() = default;
        explicit AnyOf(const std::vector<CompiledRegex>& patterns);
        bool find(const Subject& subject) const;

    private:
        struct Scan;
        std::shared_ptr<const Scan> scan_;
        std::vector<CompiledRegex> others_;
    };

    struct SimpleForm;
    struct FirstCharacter;
    struct Needs;

private:
    explicit CompiledRegex(std::shared_ptr<const icu::RegexPattern> compiled);

    std::shared_ptr<const icu::RegexPattern> compiled_;
    // The common simple shapes of the rules file's patterns (letter pairs "шы|ж[ыя]", one class
    // with a count "^[^aeiouy]{4,}$", a group of literal words "(ghb|nj)") are searched directly,
    // with the same result as the regular expression at a fraction of its cost.
    std::shared_ptr<const SimpleForm> simple_;
    // A pattern anchored at the start whose first character must be of one class ("^[a-z]+…") turns
    // away a text that begins otherwise before the regex engine is asked.
    std::shared_ptr<const FirstCharacter> first_;
    // The ASCII characters every match contains ("@", "/", one of [A-Z]): a text without them is
    // turned away before the regex engine is asked.
    std::shared_ptr<const Needs> needs_;
    mutable std::unique_ptr<icu::RegexMatcher> matcher_;
};

} // namespace keyvane
