// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/CompiledRegex.h"

#include "KeyvaneCore/Word.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cctype>
#include <string>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <unordered_set>
#include <vector>

namespace keyvane {

namespace {
// A pattern from a damaged rules file must never hang the typing path: a search that runs
// this long (in ICU's time-limit steps, roughly milliseconds) is stopped and counts as no match.
constexpr int32_t matchTimeLimit = 50;

std::uint64_t pairKey(UChar32 first, UChar32 second) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(first)) << 32) |
           static_cast<std::uint32_t>(second);
}

std::u32string codePoints(const icu::UnicodeString& text) {
    std::u32string out;
    const int32_t length = text.length();
    out.reserve(static_cast<std::size_t>(length));
    const char16_t* units = text.getBuffer();
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U16_NEXT(units, i, length, c);
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

// As ICU reads UTF-8 text: a malformed sequence becomes U+FFFD. `out` has room for one code point
// per byte; the number written.
std::size_t decodeInto(std::string_view text, char32_t* out) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    std::size_t count = 0;
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        out[count++] = static_cast<char32_t>(c < 0 ? 0xFFFD : c);
    }
    return count;
}

std::u32string codePoints(std::string_view text) {
    std::u32string out(text.size(), U'\0');
    out.resize(decodeInto(text, out.data()));
    return out;
}

} // namespace

struct CompiledRegex::SimpleForm {
    // What a search reads comes first, so that it reads one cache line of the form besides its
    // tables; what only building the tables needs comes last.
    enum class Kind { pairs, classRun, words, classPair } kind = Kind::pairs;
    // classRun: a run of at least minCount characters of the class (at most maxCount when the
    // pattern is anchored at both ends).
    bool negated = false;
    bool atStart = false;
    bool atEnd = false;
    std::size_t minCount = 1;
    std::size_t maxCount = 1;
    // The pairs as a bit per pair, when they are made of at most 64 code points below U+0800 (a
    // language's letters): each such code point's place among them, 0 for none.
    static constexpr char32_t smallEnd = 0x800;
    std::vector<std::uint8_t> placeOf;
    // classPair: a character of this form's class followed by one of `following`'s.
    std::shared_ptr<const SimpleForm> following;
    static constexpr char32_t tableSize = 0x500; // Latin and Cyrillic: membership by table
    std::bitset<tableSize> table;
    std::bitset<64 * 64> pairBits;
    std::unordered_set<std::uint64_t> pairs; // pairs: every pair, hashed
    std::vector<std::pair<char32_t, char32_t>> ranges;
    std::uint32_t categories = 0; // general categories of the class as well ("\p{Lu}"), U_GC_*_MASK
    std::vector<std::u32string> words;

    void indexPairs() {
        std::vector<std::uint8_t> places(smallEnd, 0);
        std::uint8_t count = 0;
        auto place = [&](char32_t c) -> int {
            if (c >= smallEnd) {
                return -1;
            }
            if (places[c] == 0) {
                if (count == 64) {
                    return -1;
                }
                places[c] = ++count;
            }
            return places[c] - 1;
        };
        std::bitset<64 * 64> bits;
        for (const std::uint64_t key : pairs) {
            const int first = place(static_cast<char32_t>(key >> 32));
            const int second = place(static_cast<char32_t>(key & 0xFFFFFFFFU));
            if (first < 0 || second < 0) {
                return; // the hashed pairs answer alone
            }
            bits.set(static_cast<std::size_t>(first * 64 + second));
        }
        placeOf = std::move(places);
        pairBits = bits;
    }

    bool member(char32_t c) const {
        return std::any_of(ranges.begin(), ranges.end(),
                           [c](const auto& r) { return c >= r.first && c <= r.second; }) ||
               (categories != 0 && (U_GET_GC_MASK(static_cast<UChar32>(c)) & categories) != 0);
    }

    // The table holds whether each code point is in the class, negation applied.
    void fillTable() {
        for (char32_t c = 0; c < tableSize; ++c) {
            table[c] = member(c) != negated;
        }
    }

    bool inClass(char32_t c) const { return c < tableSize ? table[c] : member(c) != negated; }

    bool matches(std::u32string_view text) const {
        switch (kind) {
        case Kind::pairs:
            if (!placeOf.empty()) {
                for (std::size_t i = 1; i < text.size(); ++i) {
                    const char32_t a = text[i - 1];
                    const char32_t b = text[i];
                    if (a < smallEnd && b < smallEnd && placeOf[a] != 0 && placeOf[b] != 0 &&
                        pairBits.test(static_cast<std::size_t>((placeOf[a] - 1) * 64 + (placeOf[b] - 1)))) {
                        return true;
                    }
                }
                return false; // every pair is of code points below smallEnd
            }
            for (std::size_t i = 1; i < text.size(); ++i) {
                if (pairs.contains(
                        pairKey(static_cast<UChar32>(text[i - 1]), static_cast<UChar32>(text[i])))) {
                    return true;
                }
            }
            return false;
        case Kind::classPair:
            for (std::size_t i = 1; i < text.size(); ++i) {
                if (inClass(text[i - 1]) && following->inClass(text[i])) {
                    return true;
                }
            }
            return false;
        case Kind::words:
            return std::any_of(words.begin(), words.end(), [&](const std::u32string& w) {
                return text.find(w) != std::u32string_view::npos;
            });
        case Kind::classRun: {
            // "$" also matches before a line terminator that ends the text, as in ICU.
            if (atEnd && !text.empty() && isLineEnd(text.back())) {
                std::size_t cut = text.size() - 1;
                if (text.back() == U'\n' && cut > 0 && text[cut - 1] == U'\r') {
                    --cut;
                }
                return runMatches(text) || runMatches(text.substr(0, cut));
            }
            return runMatches(text);
        }
        }
        return false;
    }

    static bool isLineEnd(char32_t c) {
        return c == U'\n' || c == U'\r' || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 || c == 0x2029;
    }

    bool runMatches(std::u32string_view text) const {
        if (atStart && atEnd) {
            return text.size() >= minCount && text.size() <= maxCount &&
                   std::all_of(text.begin(), text.end(), [&](char32_t c) { return inClass(c); });
        }
        if (atStart) {
            std::size_t run = 0;
            while (run < text.size() && inClass(text[run])) {
                ++run;
            }
            return run >= minCount;
        }
        if (atEnd) {
            std::size_t run = 0;
            while (run < text.size() && inClass(text[text.size() - 1 - run])) {
                ++run;
            }
            return run >= minCount;
        }
        std::size_t run = 0;
        for (char32_t c : text) {
            run = inClass(c) ? run + 1 : 0;
            if (run >= minCount) {
                return true;
            }
        }
        return false;
    }
};

// Runs of a class of characters, of up to eight patterns, found in one pass over a text; and the
// letter pairs of several patterns as one set.
//
// Each character's classes are a byte, a bit per pattern. A 64-bit number keeps, in its byte k-1,
// the patterns whose class holds each of the last k characters (k = 1…8): one shift and one AND a
// character. A run of at least n characters ends at a character when bit r of byte n-1 is set.
struct CompiledRegex::AnyOf::Scan {
    static constexpr std::size_t mostRuns = 8;
    static constexpr std::size_t longestCount = 8; // a run anywhere, first or last, of at most
    using Mask = std::uint8_t;                     // a bit per run
    // By the byte of the run's count: runs found anywhere, at the start, at the end.
    std::uint64_t anywhere = 0;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    bool anyAtEnd = false;
    // Runs that must be the whole text, with their counts.
    struct Whole {
        Mask bit;
        std::size_t minCount;
        std::size_t maxCount;
    };
    std::vector<Whole> whole;
    std::shared_ptr<const SimpleForm> pairs;
    std::vector<std::shared_ptr<const SimpleForm>> forms;
    std::array<Mask, SimpleForm::tableSize> classes{};

    static std::uint64_t inByte(std::size_t count, Mask bit) {
        return std::uint64_t{bit} << (8 * (count - 1));
    }

    // Whether a form's run can be one of this scan's.
    static bool fits(const SimpleForm& form) {
        return form.kind == SimpleForm::Kind::classRun &&
               ((form.atStart && form.atEnd) || (form.minCount >= 1 && form.minCount <= longestCount));
    }

    void add(std::shared_ptr<const SimpleForm> form) {
        const auto bit = static_cast<Mask>(1U << forms.size());
        for (char32_t c = 0; c < SimpleForm::tableSize; ++c) {
            if (form->table[c]) {
                classes[c] = static_cast<Mask>(classes[c] | bit);
            }
        }
        if (form->atStart && form->atEnd) {
            whole.push_back({bit, form->minCount, form->maxCount});
        } else if (form->atStart) {
            first |= inByte(form->minCount, bit);
        } else if (form->atEnd) {
            last |= inByte(form->minCount, bit);
        } else {
            anywhere |= inByte(form->minCount, bit);
        }
        anyAtEnd = anyAtEnd || form->atEnd;
        forms.push_back(std::move(form));
    }

    Mask maskOf(char32_t c) const {
        if (c < SimpleForm::tableSize) {
            return classes[c];
        }
        Mask mask = 0;
        for (std::size_t r = 0; r < forms.size(); ++r) {
            if (forms[r]->inClass(c)) {
                mask = static_cast<Mask>(mask | (1U << r));
            }
        }
        return mask;
    }

    bool matchesRuns(std::u32string_view text) const {
        if (anyAtEnd && !text.empty() && SimpleForm::isLineEnd(text.back())) {
            // "$" before a last line terminator: each form as it reads that.
            return std::any_of(forms.begin(), forms.end(),
                               [&](const auto& form) { return form->matches(text); });
        }
        constexpr std::uint64_t everyByte = 0x0101010101010101ULL;
        std::uint64_t runs = 0; // byte k-1: the classes of each of the last k characters
        Mask all = 0xFF;        // the classes of every character so far
        for (std::size_t i = 0; i < text.size(); ++i) {
            const Mask mask = maskOf(text[i]);
            runs = ((runs << 8) | 0xFF) & (everyByte * mask);
            all &= mask;
            if ((runs & anywhere) != 0 || (i < longestCount && (runs & first & (0xFFULL << (8 * i))) != 0)) {
                return true;
            }
        }
        if ((runs & last) != 0) {
            return true;
        }
        return std::any_of(whole.begin(), whole.end(), [&](const Whole& w) {
            return (all & w.bit) != 0 && text.size() >= w.minCount && text.size() <= w.maxCount;
        });
    }

    bool matches(std::u32string_view text) const {
        return (!forms.empty() && matchesRuns(text)) || (pairs && pairs->matches(text));
    }
};

// The characters that may begin a match of an anchored pattern.
struct CompiledRegex::FirstCharacter {
    std::vector<std::pair<char32_t, char32_t>> ranges;
    bool negated = false;
    bool caseInsensitive = false; // then only ASCII ranges, and only Cyrillic is turned away

    bool mayBegin(int32_t c) const {
        if (c < 0) {
            return false; // empty text: the pattern needs one character
        }
        if (caseInsensitive) {
            return !(c >= 0x0400 && c <= 0x052F); // Cyrillic never folds into ASCII
        }
        const bool member = std::any_of(ranges.begin(), ranges.end(), [c](const auto& r) {
            return static_cast<char32_t>(c) >= r.first && static_cast<char32_t>(c) <= r.second;
        });
        return member != negated;
    }
};

// ASCII characters a match cannot do without: for each set, at least one of its characters is in
// every text the pattern matches ("@" for an e-mail address, "/" for a path, one of [A-Z] for a
// camel-case identifier). A text that lacks one is turned away before the regex engine is asked.
struct CompiledRegex::Needs {
    using Set = std::bitset<128>;
    std::vector<Set> all;
    bool caseInsensitive = false;

    bool mayMatch(const Set& present, bool nonASCII) const {
        for (const Set& needed : all) {
            if ((needed & present).any()) {
                continue;
            }
            // Case folding can take a character beyond ASCII to a letter ("K", the Kelvin sign, is
            // "k"): that is ICU's to know.
            if (caseInsensitive && nonASCII && (needed & letters()).any()) {
                continue;
            }
            return false;
        }
        return true;
    }

    static Set letters() {
        Set set;
        for (char c = 'a'; c <= 'z'; ++c) {
            set.set(static_cast<std::size_t>(c));
            set.set(static_cast<std::size_t>(c - 'a' + 'A'));
        }
        return set;
    }
};

namespace {

// Characters that stand for themselves outside a class, and inside one.
bool plain(char32_t c) {
    return c > 0x20 && c != 0x7F &&
           std::u32string_view(U"\\^$.|?*+()[]{}").find(c) == std::u32string_view::npos;
}
bool plainInClass(char32_t c) {
    return c > 0x20 && c != 0x7F && std::u32string_view(U"\\^[]-&{}$:").find(c) == std::u32string_view::npos;
}

// "a[bc]|xy": letter pairs.
bool parsePairs(const std::u32string& p, CompiledRegex::SimpleForm& form) {
    std::size_t i = 0;
    while (true) {
        if (i >= p.size() || !plain(p[i])) {
            return false;
        }
        const char32_t first = p[i++];
        if (i >= p.size()) {
            return false;
        }
        if (p[i] == U'[') {
            ++i;
            std::size_t members = 0;
            while (i < p.size() && p[i] != U']') {
                if (!plainInClass(p[i])) {
                    return false;
                }
                form.pairs.insert(pairKey(static_cast<UChar32>(first), static_cast<UChar32>(p[i++])));
                ++members;
            }
            if (i >= p.size() || members == 0) {
                return false;
            }
        } else if (plain(p[i])) {
            form.pairs.insert(pairKey(static_cast<UChar32>(first), static_cast<UChar32>(p[i])));
        } else {
            return false;
        }
        ++i;
        if (i == p.size()) {
            form.kind = CompiledRegex::SimpleForm::Kind::pairs;
            form.indexPairs();
            return true;
        }
        if (p[i++] != U'|') {
            return false;
        }
    }
}

bool parseCount(const std::u32string& p, std::size_t i, CompiledRegex::SimpleForm& form);

// A general category named as the whole class: "\p{Lu}" (capitals) or "\p{L}" (letters).
bool parseCategory(const std::u32string& p, std::size_t& i, CompiledRegex::SimpleForm& form) {
    static const std::pair<std::u32string_view, std::uint32_t> known[] = {
        {U"\\p{Lu}", U_GC_LU_MASK}, {U"\\p{Ll}", U_GC_LL_MASK}, {U"\\p{L}", U_GC_L_MASK}};
    for (const auto& [name, mask] : known) {
        if (std::u32string_view(p).substr(i, name.size()) == name) {
            form.categories = mask;
            i += name.size();
            return true;
        }
    }
    return false;
}

// "^[^aeiouy]{4,}$", "[іїєґ]", "[ъь]{2}", "^\p{Lu}{2,5}$": one class (ranges and "\-" allowed, or
// a general category) with a count.
bool parseClassRun(const std::u32string& p, CompiledRegex::SimpleForm& form) {
    std::size_t i = 0;
    if (i < p.size() && p[i] == U'^') {
        form.atStart = true;
        ++i;
    }
    if (parseCategory(p, i, form)) {
        return parseCount(p, i, form);
    }
    if (i >= p.size() || p[i] != U'[') {
        return false;
    }
    ++i;
    if (i < p.size() && p[i] == U'^') {
        form.negated = true;
        ++i;
    }
    auto member = [&](char32_t& c) {
        // An escaped ASCII mark stands for itself ("\-", "\[", "\]").
        if (i + 1 < p.size() && p[i] == U'\\' && p[i + 1] > 0x20 && p[i + 1] < 0x7F &&
            !std::isalnum(static_cast<int>(p[i + 1]))) {
            c = p[i + 1];
            i += 2;
            return true;
        }
        if (i < p.size() && plainInClass(p[i])) {
            c = p[i++];
            return true;
        }
        return false;
    };
    while (i < p.size() && p[i] != U']') {
        char32_t low = 0;
        if (!member(low)) {
            return false;
        }
        char32_t high = low;
        if (i + 1 < p.size() && p[i] == U'-' && p[i + 1] != U']') {
            ++i;
            if (!member(high) || high < low) {
                return false;
            }
        }
        form.ranges.emplace_back(low, high);
    }
    if (i >= p.size() || form.ranges.empty()) {
        return false;
    }
    ++i; // ]
    return parseCount(p, i, form);
}

// What follows a class: a count ("+", "{2}", "{4,}", "{2,5}"), then "$" or nothing.
bool parseCount(const std::u32string& p, std::size_t i, CompiledRegex::SimpleForm& form) {
    constexpr std::size_t unbounded = static_cast<std::size_t>(-1);
    if (i < p.size() && p[i] == U'+') {
        form.maxCount = unbounded;
        ++i;
    } else if (i < p.size() && p[i] == U'{') {
        ++i;
        std::size_t n = 0;
        std::size_t digits = 0;
        while (i < p.size() && p[i] >= U'0' && p[i] <= U'9' && digits < 4) {
            n = n * 10 + (p[i++] - U'0');
            ++digits;
        }
        if (digits == 0 || n == 0 || i >= p.size()) {
            return false;
        }
        form.minCount = form.maxCount = n;
        if (p[i] == U',') {
            form.maxCount = unbounded;
            ++i;
            std::size_t most = 0;
            std::size_t mostDigits = 0;
            while (i < p.size() && p[i] >= U'0' && p[i] <= U'9' && mostDigits < 4) {
                most = most * 10 + (p[i++] - U'0');
                ++mostDigits;
            }
            if (mostDigits != 0) {
                if (most < n) {
                    return false;
                }
                form.maxCount = most;
            }
        }
        if (i >= p.size() || p[i] != U'}') {
            return false;
        }
        ++i;
    }
    if (i < p.size() && p[i] == U'$') {
        form.atEnd = true;
        ++i;
    }
    form.kind = CompiledRegex::SimpleForm::Kind::classRun;
    form.fillTable();
    return i == p.size();
}

// "[;\[\]',.`]\p{L}": a character of one class followed by one of another (a class or a general
// category), found anywhere.
bool parseClassPair(const std::u32string& p, CompiledRegex::SimpleForm& form) {
    if (p.size() < 4 || p[0] != U'[') {
        return false;
    }
    std::size_t close = 1;
    while (close < p.size() && p[close] != U']') {
        close += p[close] == U'\\' ? 2 : 1;
    }
    if (close >= p.size()) {
        return false;
    }
    auto single = [](const CompiledRegex::SimpleForm& part) {
        return !part.atStart && !part.atEnd && part.minCount == 1 && part.maxCount == 1;
    };
    auto second = std::make_shared<CompiledRegex::SimpleForm>();
    if (!parseClassRun(p.substr(0, close + 1), form) || !single(form) ||
        !parseClassRun(p.substr(close + 1), *second) || !single(*second)) {
        return false;
    }
    form.following = std::move(second);
    form.kind = CompiledRegex::SimpleForm::Kind::classPair;
    return true;
}

// "(ру|еру|шт)": a group of literal words, found anywhere.
bool parseWords(const std::u32string& p, CompiledRegex::SimpleForm& form) {
    if (p.size() < 3 || p.front() != U'(' || p.back() != U')' || p[1] == U'?') {
        return false;
    }
    std::u32string word;
    for (std::size_t i = 1; i + 1 < p.size(); ++i) {
        if (p[i] == U'|') {
            if (word.empty()) {
                return false;
            }
            form.words.push_back(std::move(word));
            word.clear();
        } else if (plain(p[i])) {
            word.push_back(p[i]);
        } else {
            return false;
        }
    }
    if (word.empty()) {
        return false;
    }
    form.words.push_back(std::move(word));
    form.kind = CompiledRegex::SimpleForm::Kind::words;
    return true;
}

// Whether an alternation stands at the top of the pattern (outside every group and class).
bool hasTopLevelAlternation(const std::u32string& p) {
    int depth = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        const char32_t c = p[i];
        if (c == U'\\') {
            ++i; // the escaped character
        } else if (inClass) {
            inClass = c != U']';
        } else if (c == U'[') {
            inClass = true;
        } else if (c == U'(') {
            ++depth;
        } else if (c == U')') {
            --depth;
        } else if (c == U'|' && depth == 0) {
            return true;
        }
    }
    return false;
}

// "^[a-z]+…", "^[#@]…", "^x…": a pattern anchored at the start of the text whose first element is
// one character of a class (or a literal) that must be there at least once. The characters that
// can begin a match, so that a text beginning otherwise is turned away without the regex engine.
std::shared_ptr<const CompiledRegex::FirstCharacter> firstCharacter(const icu::UnicodeString& pattern,
                                                                    bool caseInsensitive) {
    const std::u32string p = codePoints(pattern);
    if (p.size() < 2 || p[0] != U'^' || hasTopLevelAlternation(p)) {
        return nullptr;
    }
    CompiledRegex::SimpleForm form;
    std::size_t next = 0;
    if (plain(p[1])) {
        form.ranges.emplace_back(p[1], p[1]);
        next = 2;
    } else if (p[1] == U'[') {
        // The class as the simple forms read it: "^[...]" parsed alone, then what follows it.
        const std::size_t close = p.find(U']', 3);
        std::u32string head = close == std::u32string::npos ? std::u32string() : p.substr(0, close + 1);
        if (head.size() > 3 && head[head.size() - 2] == U'-' && head[head.size() - 3] != U'\\') {
            head.insert(head.size() - 2, 1, U'\\'); // "[a-z-]": a last "-" stands for itself
        }
        if (head.empty() || !parseClassRun(head, form)) {
            return nullptr;
        }
        next = close + 1;
    } else {
        return nullptr;
    }
    if (next < p.size()) {
        const char32_t q = p[next];
        const bool optional =
            q == U'*' || q == U'?' || (q == U'{' && next + 1 < p.size() && p[next + 1] == U'0');
        if (optional) {
            return nullptr;
        }
    }
    auto first = std::make_shared<CompiledRegex::FirstCharacter>();
    first->ranges = std::move(form.ranges);
    first->negated = form.negated;
    first->caseInsensitive = caseInsensitive;
    if (caseInsensitive && (first->negated || std::any_of(first->ranges.begin(), first->ranges.end(),
                                                          [](const auto& r) { return r.second >= 0x80; }))) {
        return nullptr; // case folding beyond ASCII is ICU's to know
    }
    return first;
}

// Reads a pattern for the ASCII characters every match must contain. Conservative: whatever it does
// not fully understand (a lookaround, a back reference, inline flags, nested classes, a
// property or an escape it does not know in a class) gives no set, or no guard at all.
class NeedsReader {
public:
    using Set = CompiledRegex::Needs::Set;

    NeedsReader(const std::u32string& pattern, bool caseInsensitive)
        : p_(pattern)
        , caseInsensitive_(caseInsensitive) {}

    std::optional<std::vector<Set>> read() {
        std::vector<Set> needs = alternation();
        if (!ok_ || i_ != p_.size()) {
            return std::nullopt;
        }
        return needs;
    }

private:
    // Branches "a|b|…" up to ")" or the end: one set from each branch (its narrowest), joined,
    // since only one branch matches; a single branch keeps all of its sets.
    std::vector<Set> alternation() {
        std::vector<std::vector<Set>> branches{sequence()};
        while (ok_ && i_ < p_.size() && p_[i_] == U'|') {
            ++i_;
            branches.push_back(sequence());
        }
        if (branches.size() == 1) {
            return branches.front();
        }
        Set joined;
        for (const std::vector<Set>& branch : branches) {
            if (branch.empty()) {
                return {};
            }
            joined |= *std::min_element(branch.begin(), branch.end(),
                                        [](const Set& a, const Set& b) { return a.count() < b.count(); });
        }
        return {joined};
    }

    std::vector<Set> sequence() {
        std::vector<Set> needs;
        while (ok_ && i_ < p_.size() && p_[i_] != U'|' && p_[i_] != U')') {
            std::vector<Set> element = atom();
            if (ok_ && mandatory()) {
                needs.insert(needs.end(), element.begin(), element.end());
            }
        }
        return needs;
    }

    // One element; its sets, or none when any character may stand there.
    std::vector<Set> atom() {
        const char32_t c = p_[i_++];
        switch (c) {
        case U'^':
        case U'$':
        case U'.': return {};
        case U'(': {
            if (i_ < p_.size() && p_[i_] == U'?') {
                if (i_ + 1 >= p_.size() || p_[i_ + 1] != U':') {
                    ok_ = false; // lookaround, flags, a named group
                    return {};
                }
                i_ += 2;
            }
            std::vector<Set> inner = alternation();
            if (i_ >= p_.size() || p_[i_] != U')') {
                ok_ = false;
                return {};
            }
            ++i_;
            return inner;
        }
        case U'[': return characterClass();
        case U'\\': return escape();
        case U'*':
        case U'+':
        case U'?':
        case U'{':
        case U'|':
        case U')': ok_ = false; return {};
        default: return literal(c);
        }
    }

    std::vector<Set> literal(char32_t c) {
        if (c >= 0x80) {
            return {};
        }
        Set set;
        set.set(c);
        if (caseInsensitive_ && c >= U'a' && c <= U'z') {
            set.set(c - U'a' + U'A');
        } else if (caseInsensitive_ && c >= U'A' && c <= U'Z') {
            set.set(c - U'A' + U'a');
        }
        return {set};
    }

    // "\." "\/" "\d"; inside a class its characters go into `into`.
    std::vector<Set> escape(Set* into = nullptr, bool* known = nullptr) {
        if (i_ >= p_.size()) {
            ok_ = false;
            return {};
        }
        const char32_t c = p_[i_++];
        auto unknown = [&]() -> std::vector<Set> {
            if (known != nullptr) {
                *known = false;
            }
            return {};
        };
        const bool alphanumeric =
            (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9');
        if (c < 0x80 && !alphanumeric) {
            if (into != nullptr) {
                *into |= literal(c).front();
            }
            return literal(c);
        }
        if (c == U'd') {
            Set digits;
            for (char32_t d = U'0'; d <= U'9'; ++d) {
                digits.set(d);
            }
            if (into != nullptr) {
                *into |= digits;
            }
            return {digits};
        }
        if (c == U'p' || c == U'P') { // a property: skipped, any character may be one
            const std::size_t close = p_.find(U'}', i_);
            if (i_ >= p_.size() || p_[i_] != U'{' || close == std::u32string::npos) {
                ok_ = false;
                return {};
            }
            i_ = close + 1;
            return unknown();
        }
        if (std::u32string_view(U"sSwWDbBAzZGtnrfe").find(c) != std::u32string_view::npos) {
            return unknown();
        }
        ok_ = false; // back references, \Q…\E, code point escapes, named characters
        return {};
    }

    std::vector<Set> characterClass() {
        const bool negated = i_ < p_.size() && p_[i_] == U'^';
        if (negated) {
            ++i_;
        }
        if (i_ < p_.size() && (p_[i_] == U']' || p_[i_] == U':')) {
            ok_ = false; // "[]…]", "[:Lu:]": ICU's own readings
            return {};
        }
        Set set;
        bool known = !negated;
        while (ok_ && i_ < p_.size() && p_[i_] != U']') {
            char32_t c = p_[i_++];
            if (c == U'[' || c == U'{' || c == U'}' || (c == U'&' && i_ < p_.size() && p_[i_] == U'&')) {
                ok_ = false; // sets within sets, strings in a set
                return {};
            }
            if (c == U'\\') {
                escape(&set, &known);
                continue;
            }
            if (i_ + 1 < p_.size() && p_[i_] == U'-' && p_[i_ + 1] != U']') {
                char32_t last = p_[i_ + 1];
                i_ += 2;
                if (last == U'\\' || last == U'[') {
                    ok_ = false;
                    return {};
                }
                if (last >= 0x80 || c > last) {
                    known = false;
                    continue;
                }
                for (char32_t r = c; r <= last; ++r) {
                    set |= literal(r).front();
                }
                continue;
            }
            if (c >= 0x80) {
                known = false;
            } else {
                set |= literal(c).front();
            }
        }
        if (i_ >= p_.size()) {
            ok_ = false;
            return {};
        }
        ++i_; // "]"
        if (!known || set.none()) {
            return {};
        }
        return {set};
    }

    // Reads the quantifier after an element, if any: whether the element must be there.
    bool mandatory() {
        if (i_ >= p_.size()) {
            return true;
        }
        bool must = true;
        const char32_t q = p_[i_];
        if (q == U'*' || q == U'?') {
            must = false;
            ++i_;
        } else if (q == U'+') {
            ++i_;
        } else if (q == U'{') {
            const std::size_t close = p_.find(U'}', i_);
            if (close == std::u32string::npos || i_ + 1 >= close ||
                !(p_[i_ + 1] >= U'0' && p_[i_ + 1] <= U'9')) {
                ok_ = false;
                return false;
            }
            std::size_t least = 0;
            for (std::size_t k = i_ + 1; k < close && p_[k] >= U'0' && p_[k] <= U'9'; ++k) {
                least = least * 10 + (p_[k] - U'0');
                least = std::min<std::size_t>(least, 1000);
            }
            must = least > 0;
            i_ = close + 1;
        } else {
            return true;
        }
        if (i_ < p_.size() && (p_[i_] == U'?' || p_[i_] == U'+')) {
            ++i_; // lazy or possessive
        }
        return must;
    }

    const std::u32string& p_;
    bool caseInsensitive_;
    std::size_t i_ = 0;
    bool ok_ = true;
};

std::shared_ptr<const CompiledRegex::Needs> needsOf(const icu::UnicodeString& pattern, bool caseInsensitive) {
    const std::u32string p = codePoints(pattern);
    std::optional<std::vector<CompiledRegex::Needs::Set>> sets = NeedsReader(p, caseInsensitive).read();
    if (!sets || sets->empty()) {
        return nullptr;
    }
    auto needs = std::make_shared<CompiledRegex::Needs>();
    needs->all = std::move(*sets);
    needs->caseInsensitive = caseInsensitive;
    return needs;
}

std::shared_ptr<const CompiledRegex::SimpleForm> simpleForm(const icu::UnicodeString& pattern) {
    const std::u32string p = codePoints(pattern);
    for (auto parse : {parsePairs, parseClassRun, parseWords, parseClassPair}) {
        CompiledRegex::SimpleForm form;
        if (parse(p, form)) {
            return std::make_shared<const CompiledRegex::SimpleForm>(std::move(form));
        }
    }
    return nullptr;
}

} // namespace

CompiledRegex::CompiledRegex(std::shared_ptr<const icu::RegexPattern> compiled)
    : compiled_(std::move(compiled)) {}

// A copy shares the compiled pattern but gets its own matcher.
CompiledRegex::CompiledRegex(const CompiledRegex& other)
    : compiled_(other.compiled_)
    , simple_(other.simple_)
    , first_(other.first_)
    , needs_(other.needs_) {}

CompiledRegex& CompiledRegex::operator=(const CompiledRegex& other) {
    if (this != &other) {
        compiled_ = other.compiled_;
        simple_ = other.simple_;
        first_ = other.first_;
        needs_ = other.needs_;
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
    std::shared_ptr<const icu::RegexPattern> compiled(
        icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || !compiled) {
        return std::nullopt;
    }
    CompiledRegex regex(std::move(compiled));
    if (!caseInsensitive) {
        regex.simple_ = simpleForm(source);
    }
    if (!regex.simple_) {
        regex.first_ = firstCharacter(source, caseInsensitive);
        regex.needs_ = needsOf(source, caseInsensitive);
    }
    return regex;
}

bool CompiledRegex::find(std::string_view text) const {
    if (simple_) {
        return simple_->matches(codePoints(text));
    }
    return find(
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size()))));
}

CompiledRegex::Subject::Subject(std::string_view utf8)
    : utf8_(utf8) {}

CompiledRegex::Subject::Subject(const Word& word)
    : utf8_(word.text()) {
    // Characters of one code point below U+0800 each (Latin and Cyrillic words) are the code
    // points themselves.
    if (word.length() > inline_.size()) {
        return;
    }
    for (std::size_t i = 0; i < word.length(); ++i) {
        const char32_t c = word.smallCodePoint(i);
        if (c == Word::noCodePoint) {
            return;
        }
        inline_[i] = c;
    }
    codePoints_ = std::u32string_view(inline_.data(), word.length());
    decoded_ = true;
}

CompiledRegex::Subject::~Subject() = default;

const icu::UnicodeString& CompiledRegex::Subject::utf16() const {
    if (!utf16_) {
        utf16_ = std::make_unique<icu::UnicodeString>(
            icu::UnicodeString::fromUTF8(icu::StringPiece(utf8_.data(), static_cast<int32_t>(utf8_.size()))));
    }
    return *utf16_;
}

int32_t CompiledRegex::Subject::firstCodePoint() const {
    if (utf8_.empty()) {
        return -1;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8_.data());
    const auto length = static_cast<int32_t>(utf8_.size());
    int32_t i = 0;
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    return c < 0 ? 0xFFFD : c; // as ICU reads a malformed sequence
}

const CompiledRegex::Subject::Characters& CompiledRegex::Subject::characters() const {
    if (!characters_) {
        Characters found;
        for (const char byte : utf8_) {
            const auto b = static_cast<unsigned char>(byte);
            if (b < 0x80) {
                found.ascii.set(b);
            } else {
                found.nonASCII = true;
            }
        }
        characters_ = found;
    }
    return *characters_;
}

std::u32string_view CompiledRegex::Subject::codePoints() const {
    if (!decoded_) {
        char32_t* out = inline_.data();
        if (utf8_.size() > inline_.size()) {
            heap_.resize(utf8_.size());
            out = heap_.data();
        }
        codePoints_ = std::u32string_view(out, decodeInto(utf8_, out));
        decoded_ = true;
    }
    return codePoints_;
}

CompiledRegex::AnyOf::AnyOf(const std::vector<CompiledRegex>& patterns) {
    auto scan = std::make_shared<Scan>();
    SimpleForm pairs;
    bool anyPairs = false;
    for (const CompiledRegex& pattern : patterns) {
        const SimpleForm* form = pattern.simple_.get();
        if (form != nullptr && Scan::fits(*form) && scan->forms.size() < Scan::mostRuns) {
            scan->add(pattern.simple_);
        } else if (form != nullptr && form->kind == SimpleForm::Kind::pairs) {
            pairs.pairs.insert(form->pairs.begin(), form->pairs.end());
            anyPairs = true;
        } else {
            others_.push_back(pattern);
        }
    }
    if (anyPairs) {
        pairs.kind = SimpleForm::Kind::pairs;
        pairs.indexPairs();
        scan->pairs = std::make_shared<const SimpleForm>(std::move(pairs));
    }
    if (!scan->forms.empty() || scan->pairs) {
        scan_ = std::move(scan);
    }
}

bool CompiledRegex::AnyOf::find(const Subject& subject) const {
    if (scan_ && scan_->matches(subject.codePoints())) {
        return true;
    }
    return std::any_of(others_.begin(), others_.end(),
                       [&](const CompiledRegex& p) { return p.find(subject); });
}

bool CompiledRegex::find(const Subject& subject) const {
    if (simple_) {
        return simple_->matches(subject.codePoints());
    }
    if (first_ && !first_->mayBegin(subject.firstCodePoint())) {
        return false;
    }
    if (needs_) {
        const Subject::Characters& characters = subject.characters();
        if (!needs_->mayMatch(characters.ascii, characters.nonASCII)) {
            return false;
        }
    }
    return find(subject.utf16());
}

bool CompiledRegex::find(const icu::UnicodeString& text) const {
    if (simple_) {
        return simple_->matches(codePoints(text));
    }
    if (first_ && !first_->mayBegin(text.isEmpty() ? -1 : text.char32At(0))) {
        return false;
    }
    if (needs_) {
        Needs::Set ascii;
        bool nonASCII = false;
        for (int32_t k = 0; k < text.length(); ++k) {
            const char16_t unit = text.charAt(k);
            if (unit < 0x80) {
                ascii.set(unit);
            } else {
                nonASCII = true;
            }
        }
        if (!needs_->mayMatch(ascii, nonASCII)) {
            return false;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    if (!matcher_) {
        matcher_.reset(compiled_->matcher(status));
        if (U_FAILURE(status) || !matcher_) {
            matcher_.reset();
            return false;
        }
        matcher_->setTimeLimit(matchTimeLimit, status);
    }
    // The matcher keeps a pointer to the text, but is not used again before the next reset.
    matcher_->reset(text);
    bool found = matcher_->find(status) != 0;
    return U_SUCCESS(status) && found;
}

} // namespace keyvane
