// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/UnicodeText.h"

#include <array>
#include <memory>
#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

namespace keyvane::UnicodeText {
namespace {

// One character break iterator per thread: creating one costs far more than splitting a word.
icu::BreakIterator* characterIterator() {
    thread_local std::unique_ptr<icu::BreakIterator> iterator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::BreakIterator> created(
            icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status)) {
            created.reset();
        }
        return created;
    }();
    return iterator.get();
}

// The properties the engine asks of a character, read from ICU once for the code points that
// words are made of (Latin, Greek, Cyrillic and general punctuation) and kept in a table.
enum CharacterProperty : std::uint8_t {
    breaksAlone = 1 << 0, // never joins a neighbour into one cluster (grapheme cluster break Other)
    letter = 1 << 1,
    numeric = 1 << 2,
    upperCase = 1 << 3,
    whiteSpace = 1 << 4,
    punctuation = 1 << 5,
};

constexpr UChar32 tableEnd = 0x2070; // Latin, Greek, Cyrillic, …, General Punctuation

std::uint8_t propertiesFromIcu(UChar32 c) {
    std::uint8_t p = 0;
    if (c != '\r' && u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK) == U_GCB_OTHER) {
        p |= breaksAlone;
    }
    if (u_isalpha(c) != 0) {
        p |= letter;
    }
    if (u_getIntPropertyValue(c, UCHAR_NUMERIC_TYPE) != U_NT_NONE) {
        p |= numeric;
    }
    if (u_isUUppercase(c) != 0 || (u_hasBinaryProperty(c, UCHAR_CASED) != 0 && u_toupper(c) == c)) {
        p |= upperCase;
    }
    if (u_isUWhiteSpace(c) != 0) {
        p |= whiteSpace;
    }
    if (u_ispunct(c) != 0) {
        p |= punctuation;
    }
    return p;
}

std::uint8_t properties(UChar32 c) {
    static const auto table = [] {
        std::array<std::uint8_t, tableEnd> built{};
        for (UChar32 i = 0; i < tableEnd; ++i) {
            built[static_cast<std::size_t>(i)] = propertiesFromIcu(i);
        }
        return built;
    }();
    if (c < 0) {
        return 0;
    }
    return c < tableEnd ? table[static_cast<std::size_t>(c)] : propertiesFromIcu(c);
}

// Whether the thread's character iterator is walking a text now.
thread_local bool sharedIteratorBusy = false;

// ASCII text needs no iterator: every byte is a character, except that CR LF is one.
template <typename Sink> void splitAscii(std::string_view text, Sink&& sink) {
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t len = (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
        sink(text.substr(i, len));
        i += len;
    }
}

// Replaces invalid UTF-8 sequences with U+FFFD so that the break iterator sees well-formed text.
std::string sanitizedUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    int32_t i = 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto size = static_cast<int32_t>(text.size());
    while (i < size) {
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, size, c);
        if (c < 0) {
            out += "\xEF\xBF\xBD";
        } else {
            out.append(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
        }
    }
    return out;
}

// Most words (Latin, Cyrillic, punctuation) are made of code points that never join their
// neighbours into one cluster; such text splits per code point without the break iterator,
// with exactly the iterator's result.
template <typename Sink> bool splitSimple(std::string_view text, Sink&& sink) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto size = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < size;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, size, c);
        if ((properties(c) & breaksAlone) == 0) {
            return false;
        }
    }
    for (int32_t i = 0; i < size;) {
        int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, size, c);
        sink(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
    }
    return true;
}

template <typename Sink> void forEachGrapheme(std::string_view input, Sink&& sink) {
    if (isAscii(input)) {
        splitAscii(input, sink);
        return;
    }
    if (splitSimple(input, sink)) {
        return;
    }
    std::string repaired;
    std::string_view text = input;
    if (!isValidUtf8(input)) {
        repaired = sanitizedUtf8(input);
        text = repaired;
    }
    // The sink may split text of its own (a character's lower-case form): the shared iterator is
    // then busy with this text, and that split takes a copy of its own.
    std::unique_ptr<icu::BreakIterator> own;
    icu::BreakIterator* iterator = characterIterator();
    if (sharedIteratorBusy && iterator != nullptr) {
        own.reset(iterator->clone());
        iterator = own.get();
    }
    const bool usesShared = own == nullptr;
    if (usesShared) {
        sharedIteratorBusy = true;
    }
    struct Release {
        bool active;
        ~Release() {
            if (active) {
                sharedIteratorBusy = false;
            }
        }
    } release{usesShared};
    UErrorCode status = U_ZERO_ERROR;
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    if (iterator == nullptr || U_FAILURE(status)) {
        utext_close(utext);
        // Without ICU's iterator fall back to code points, which is still never worse than bytes.
        int32_t i = 0;
        const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
        const auto size = static_cast<int32_t>(text.size());
        while (i < size) {
            int32_t start = i;
            UChar32 c = 0;
            U8_NEXT(bytes, i, size, c);
            sink(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(i - start)));
        }
        return;
    }
    iterator->setText(utext, status);
    int32_t start = iterator->first();
    for (int32_t end = iterator->next(); end != icu::BreakIterator::DONE;
         start = end, end = iterator->next()) {
        sink(text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
    }
    // The iterator keeps its own shallow clone of the UText; it is not used again before the
    // next setText, so the text may go away now.
    utext_close(utext);
}

UChar32 firstScalar(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto size = static_cast<int32_t>(text.size());
    int32_t i = 0;
    UChar32 c = -1;
    if (size > 0) {
        U8_NEXT(bytes, i, size, c);
    }
    return c;
}

} // namespace

std::u32string codePoints(std::string_view text) {
    const icu::UnicodeString unicode =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    std::u32string out(static_cast<std::size_t>(unicode.countChar32()), U'\0');
    UErrorCode status = U_ZERO_ERROR;
    unicode.toUTF32(reinterpret_cast<UChar32*>(out.data()), static_cast<int32_t>(out.size()), status);
    return U_SUCCESS(status) ? out : std::u32string();
}

std::string fromCodePoints(std::u32string_view codePoints) {
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(codePoints.data()),
                                  static_cast<int32_t>(codePoints.size()))
        .toUTF8String(out);
    return out;
}

bool standsAloneBeyondASCII(char32_t codePoint) {
    return codePoint <= 0x10FFFF && (properties(static_cast<UChar32>(codePoint)) & breaksAlone) != 0;
}

std::string fromCodePoint(char32_t c) {
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        c = 0xFFFD;
    }
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

bool isValidUtf8(std::string_view text) {
    // Walked with a full-size index: a text of more than 2 GiB is checked to its end.
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        uint32_t c = 0;
        uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1Fu, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0Fu, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07u, least = 0x10000;
        } else {
            return false;
        }
        if (size - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            c = (c << 6) | (bytes[i + k] & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
        if (c < least || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

bool isAscii(std::string_view text) {
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> graphemes(std::string_view text) {
    std::vector<std::string> out;
    out.reserve(text.size());
    forEachGrapheme(text, [&](std::string_view g) { out.emplace_back(g); });
    return out;
}

void eachGrapheme(std::string_view text, void (*sink)(void* context, std::string_view grapheme),
                  void* context) {
    forEachGrapheme(text, [&](std::string_view g) { sink(context, g); });
}

StringSet characterSet(std::string_view text) {
    StringSet set;
    forEachGrapheme(text, [&](std::string_view c) { set.emplace(c); });
    return set;
}

std::size_t length(std::string_view text) {
    std::size_t count = 0;
    forEachGrapheme(text, [&](std::string_view) { ++count; });
    return count;
}

std::string firstGrapheme(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    if (static_cast<unsigned char>(text[0]) < 0x80 &&
        !(text.size() > 1 && text[0] == '\r' && text[1] == '\n') &&
        (text.size() == 1 || static_cast<unsigned char>(text[1]) < 0x80)) {
        return std::string(text.substr(0, 1));
    }
    std::string first;
    bool taken = false;
    forEachGrapheme(text, [&](std::string_view g) {
        if (!taken) {
            first.assign(g);
            taken = true;
        }
    });
    return first;
}

namespace {

// Simple (one code point to one code point) case mapping gives the full Unicode result for
// Latin below U+0370 (except İ when lower-casing and ß, ŉ, ǰ when upper-casing) and for Cyrillic;
// such text is mapped without building an ICU string.
bool simpleCaseMappingSuffices(std::string_view text, bool toUpperCase) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto size = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < size;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, size, c);
        bool cyrillic = c >= 0x0400 && c <= 0x052F;
        bool latin = c >= 0 && c < 0x0370 && c != 0x0130 &&
                     (!toUpperCase || (c != 0x00DF && c != 0x0149 && c != 0x01F0));
        if (!cyrillic && !latin) {
            return false;
        }
        if (toUpperCase && c >= 0x0300 && c < 0x0370) {
            return false; // combining marks such as U+0345 have special upper-case forms
        }
    }
    return true;
}

void mapSimpleCase(std::string_view text, bool toUpperCase, std::string& out) {
    out.reserve(text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto size = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < size;) {
        const int32_t start = i;
        UChar32 c = 0;
        U8_NEXT(bytes, i, size, c);
        // Letters already in the wanted case (most of every word) are copied as they are.
        const bool kept = toUpperCase ? (c < 0x80 && !(c >= 'a' && c <= 'z')) || (c >= 0x0400 && c <= 0x042F)
                                      : (c < 0x80 && !(c >= 'A' && c <= 'Z')) || (c >= 0x0430 && c <= 0x045F);
        if (kept) {
            out.append(text.data() + start, static_cast<std::size_t>(i - start));
            continue;
        }
        UChar32 mapped = toUpperCase ? u_toupper(c) : u_tolower(c);
        char buffer[4];
        int32_t length = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(buffer), length, 4, mapped, error);
        (void)error; // four bytes always hold one code point
        out.append(buffer, static_cast<std::size_t>(length));
    }
}

// Whether lower-casing leaves the text as it is, decided on the bytes for the common case: ASCII
// without capitals, and Cyrillic small letters (U+0430 to U+045F). Anything else is left to ICU.
bool isPlainLowerCase(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned char b = bytes[i];
        if (b < 0x80) {
            if (b >= 'A' && b <= 'Z') {
                return false;
            }
            continue;
        }
        if (i + 1 >= size) {
            return false;
        }
        const unsigned char next = bytes[i + 1];
        const bool smallCyrillic =
            (b == 0xD0 && next >= 0xB0 && next <= 0xBF) || (b == 0xD1 && next >= 0x80 && next <= 0x9F);
        if (!smallCyrillic) {
            return false;
        }
        ++i;
    }
    return true;
}

// The text in the other case, written into `out` (whose room is kept).
void mapCaseInto(std::string_view text, bool toUpperCase, std::string& out) {
    out.clear();
    if (!toUpperCase && isPlainLowerCase(text)) {
        out.append(text);
        return;
    }
    if (isAscii(text)) {
        out.append(text);
        for (char& ch : out) {
            if (toUpperCase && ch >= 'a' && ch <= 'z') {
                ch = static_cast<char>(ch - 'a' + 'A');
            } else if (!toUpperCase && ch >= 'A' && ch <= 'Z') {
                ch = static_cast<char>(ch - 'A' + 'a');
            }
        }
        return;
    }
    if (simpleCaseMappingSuffices(text, toUpperCase)) {
        mapSimpleCase(text, toUpperCase, out);
        return;
    }
    icu::UnicodeString u =
        icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    if (toUpperCase) {
        u.toUpper(icu::Locale::getRoot());
    } else {
        u.toLower(icu::Locale::getRoot());
    }
    u.toUTF8String(out);
}

std::string mapCase(std::string_view text, bool toUpperCase) {
    std::string out;
    mapCaseInto(text, toUpperCase, out);
    return out;
}

} // namespace

std::string toLower(std::string_view text) {
    return mapCase(text, false);
}

void toLowerInto(std::string_view text, std::string& out) {
    mapCaseInto(text, false, out);
}

std::string toUpper(std::string_view text) {
    return mapCase(text, true);
}

bool isUpperCase(std::string_view character) {
    if (character.size() == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
        return character[0] >= 'A' && character[0] <= 'Z'; // the only cased upper-case ASCII
    }
    // Decided by the base character: the marks that may follow it in a cluster carry no case.
    return (properties(firstScalar(character)) & upperCase) != 0;
}

bool hasUpperCase(std::string_view text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto size = static_cast<int32_t>(text.size());
    for (int32_t i = 0; i < size;) {
        if (bytes[i] < 0x80) {
            if (bytes[i] >= 'A' && bytes[i] <= 'Z') {
                return true;
            }
            ++i;
            continue;
        }
        UChar32 c = 0;
        U8_NEXT(bytes, i, size, c);
        if (c >= 0 && (properties(c) & upperCase) != 0) {
            return true;
        }
    }
    return false;
}

bool isLetter(std::string_view character) {
    return (properties(firstScalar(character)) & letter) != 0;
}

bool isLetter(char32_t codePoint) {
    return codePoint <= 0x10FFFF && (properties(static_cast<UChar32>(codePoint)) & letter) != 0;
}

bool isNumeric(std::string_view character) {
    return (properties(firstScalar(character)) & numeric) != 0;
}

bool isNumeric(char32_t codePoint) {
    return codePoint <= 0x10FFFF && (properties(static_cast<UChar32>(codePoint)) & numeric) != 0;
}

int32_t firstCodePoint(std::string_view text) {
    return firstScalar(text);
}

bool isWhitespace(std::string_view character) {
    return (properties(firstScalar(character)) & whiteSpace) != 0;
}

bool isPunctuation(std::string_view character) {
    return (properties(firstScalar(character)) & punctuation) != 0;
}

std::string trimWhitespace(std::string_view text) {
    return trim(text, isWhitespace);
}

std::string trim(std::string_view text, bool (*drop)(std::string_view character)) {
    if (isValidUtf8(text)) {
        // The clusters are views into the text itself: no copies, and the kept part is one piece.
        std::vector<std::string_view> clusters;
        clusters.reserve(text.size());
        forEachGrapheme(text, [&](std::string_view g) { clusters.push_back(g); });
        std::size_t first = 0;
        std::size_t last = clusters.size();
        while (first < last && drop(clusters[first])) {
            ++first;
        }
        while (last > first && drop(clusters[last - 1])) {
            --last;
        }
        if (first == last) {
            return {};
        }
        const char* begin = clusters[first].data();
        const char* end = clusters[last - 1].data() + clusters[last - 1].size();
        return std::string(begin, static_cast<std::size_t>(end - begin));
    }
    std::vector<std::string> chars = graphemes(text);
    std::size_t first = 0;
    std::size_t last = chars.size();
    while (first < last && drop(chars[first])) {
        ++first;
    }
    while (last > first && drop(chars[last - 1])) {
        --last;
    }
    std::string out;
    for (std::size_t i = first; i < last; ++i) {
        out += chars[i];
    }
    return out;
}

std::vector<std::string> splitOnWhitespace(std::string_view text) {
    std::vector<std::string> pieces;
    std::string piece;
    forEachGrapheme(text, [&](std::string_view c) {
        if (isWhitespace(c)) {
            if (!piece.empty()) {
                pieces.push_back(std::move(piece));
                piece.clear();
            }
        } else {
            piece.append(c);
        }
    });
    if (!piece.empty()) {
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

} // namespace keyvane::UnicodeText
