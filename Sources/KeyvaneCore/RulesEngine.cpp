// SPDX-License-Identifier: GPL-3.0-or-later
// The correction pipeline: gates, every direction, the choice of a winner, mixed-script words,
// and the diagnostic twin that explains the same decision.

#include "KeyvaneCore/RulesEngine.h"

#include "KeyvaneCore/RulesEngineInternals.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory_resource>
#include <unicode/unistr.h>

namespace keyvane {
namespace {

// Characters that commonly end a word as punctuation even where a layout maps them to letters.
const StringSet& ambiguousTrailingPunctuation() {
    static const StringSet set = {".", ",", "!", "?", ";", ":", ")", "\"", "'", "’", "»", "…", "-"};
    return set;
}

// The endings a dotted domain is recognised by.
constexpr std::string_view domainEndings[] = {
    "com",  "net", "org", "io",  "me", "co",   "ru",    "ua",     "by",   "kz",  "uk",  "us",
    "eu",   "de",  "fr",  "it",  "es", "pl",   "nl",    "cn",     "jp",   "kr",  "in",  "br",
    "info", "biz", "app", "dev", "ai", "tech", "store", "online", "site", "xyz", "edu", "gov"};

// An e-mail address, or a dotted domain with a well-known ending, optionally with a path.
const CompiledRegex& domainOrEmailPrototype() {
    static const CompiledRegex regex = [] {
        std::string endings;
        for (const std::string_view ending : domainEndings) {
            endings += (endings.empty() ? "" : "|") + std::string(ending);
        }
        const std::string domain = "[a-z0-9-]+(?:\\.[a-z0-9-]+)*\\.(?:" + endings + ")";
        auto compiled =
            CompiledRegex::compile("^(?:[a-z0-9._%+-]+@" + domain + "|" + domain + ")(?:/\\S*)?$", true);
        if (!compiled) {
            std::abort(); // a fixed pattern that does not compile is a programming error
        }
        return *compiled;
    }();
    return regex;
}

// Whether a text of ASCII characters only holds a full stop and an ending, then its end or a "/":
// without one it is no domain or address, and the (case-insensitive, costly) regex is not asked.
// A text beyond ASCII is the regex's to judge, since case folding takes some such characters to
// ASCII letters.
bool mayEndLikeDomain(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    for (std::size_t dot = text.find('.'); dot != std::string_view::npos; dot = text.find('.', dot + 1)) {
        const std::string_view after = text.substr(dot + 1);
        for (const std::string_view ending : domainEndings) {
            if (after.size() < ending.size() ||
                (after.size() > ending.size() && after[ending.size()] != '/')) {
                continue;
            }
            bool same = true;
            for (std::size_t i = 0; i < ending.size() && same; ++i) {
                same = std::tolower(static_cast<unsigned char>(after[i])) == ending[i];
            }
            if (same) {
                return true;
            }
        }
    }
    return false;
}

std::string upper(const std::string& s) {
    return UnicodeText::toUpper(s);
}

std::string directionLabel(const LayoutDirection& d) {
    return upper(toString(d.to)) + "_TYPED_AS_" + upper(toString(d.from));
}

// NaN scores sort last instead of breaking the ordering.
double sortKey(double score) {
    return std::isnan(score) ? -std::numeric_limits<double>::infinity() : score;
}

bool withinTie(double a, double b) {
    return std::fabs(a - b) < 2.0;
}

} // namespace

RulesEngine::RulesEngine(RulesConfig config) {
    reloadConfig(std::move(config));
}

RulesEngine::~RulesEngine() = default;

void RulesEngine::reloadConfig(RulesConfig config) {
    auto index = std::make_unique<EngineIndex>(EngineIndex{.domainOrEmail = domainOrEmailPrototype()});
    for (const auto& [key, language] : config.languages) {
        if (index->languageKeys.size() == 64) {
            break;
        }
        const std::uint64_t bit = std::uint64_t{1} << index->languageKeys.size();
        index->languageKeys.push_back(key);
        index->allLanguages |= bit;
        for (const std::string& letter : language.scriptAlphabet) {
            index->letterLanguages[letter] |= bit;
        }
    }
    for (const auto* maps : {&config.keyboardLayout.maps, &config.keyboardLayout.shiftMaps}) {
        for (const auto& [direction, map] : *maps) {
            for (const auto& [key, value] : map) {
                if (UnicodeText::isLetter(value)) {
                    index->letterKeys.insert(key);
                }
            }
        }
    }
    for (const auto& [desktopEntryID, exclusion] : config.excludedApps) {
        index->excludedAppsLower.insert(UnicodeText::toLower(desktopEntryID));
    }
    // Every configured map into English from another layout, in a fixed order (by source key).
    std::vector<const LayoutDirection*> intoEnglish;
    for (const auto& [direction, map] : config.keyboardLayout.maps) {
        if (direction.to == Language::en && direction.from != Language::en) {
            intoEnglish.push_back(&direction);
        }
    }
    std::sort(intoEnglish.begin(), intoEnglish.end(), [](auto* a, auto* b) { return a->from < b->from; });
    for (const LayoutDirection* direction : intoEnglish) {
        for (const auto& pair : config.keyboardLayout.maps.at(*direction)) {
            index->cyrillicToLatinLower.insert(pair);
        }
        if (auto shift = config.keyboardLayout.shiftMaps.find(*direction);
            shift != config.keyboardLayout.shiftMaps.end()) {
            for (const auto& pair : shift->second) {
                index->cyrillicToLatinUpper.insert(pair);
            }
        }
    }
    for (const auto& [from, fromLang] : config.languages) {
        for (const auto& [to, toLang] : config.languages) {
            const auto& toAlphabet = toLang.scriptAlphabet;
            bool shared = std::any_of(fromLang.scriptAlphabet.begin(), fromLang.scriptAlphabet.end(),
                                      [&](const std::string& c) { return toAlphabet.contains(c); });
            if (from != to && shared) {
                index->sameScriptPairs.emplace(from, to);
            }
        }
    }
    for (Language key : config.activeLanguages) {
        index->active.insert(key);
        if (config.languages.contains(key) &&
            std::find(index->detectionOrder.begin(), index->detectionOrder.end(), key) ==
                index->detectionOrder.end()) {
            index->detectionOrder.push_back(key);
        }
    }
    for (const auto& [key, language] : config.languages) {
        if (std::find(index->detectionOrder.begin(), index->detectionOrder.end(), key) ==
            index->detectionOrder.end()) {
            index->detectionOrder.push_back(key);
        }
    }
    index->smallLetterLanguages.assign(0x0800, 0);
    for (char32_t c = 0; c < 0x0800; ++c) {
        const std::string character = UnicodeText::fromCodePoint(c);
        if (UnicodeText::isLetter(character)) {
            auto it = index->letterLanguages.find(UnicodeText::toLower(character));
            index->smallLetterLanguages[c] = it == index->letterLanguages.end() ? 0 : it->second;
        }
    }
    for (const auto* maps : {&config.keyboardLayout.maps, &config.keyboardLayout.shiftMaps}) {
        for (const auto& [direction, map] : *maps) {
            if (index->keyTables.contains(direction)) {
                continue;
            }
            auto lower = config.keyboardLayout.maps.find(direction);
            auto shift = config.keyboardLayout.shiftMaps.find(direction);
            index->keyTables.emplace(
                direction,
                KeyMapTable(lower == config.keyboardLayout.maps.end() ? KeyboardMap() : lower->second,
                            shift == config.keyboardLayout.shiftMaps.end() ? KeyboardMap() : shift->second));
        }
    }
    config_ = std::move(config);
    for (const auto& [key, language] : config_.languages) {
        index->letterTables.emplace_back(&language, LetterTables(language));
        index->languages[static_cast<std::size_t>(key)] = &language;
    }
    index_ = std::move(index);
}

bool RulesEvaluation::isActive(Language key) const {
    return index_->active.contains(key);
}

const LetterTables& RulesEvaluation::lettersOf(const LanguageConfig& language,
                                               std::unique_ptr<LetterTables>& made) const {
    for (const auto& [configured, tables] : index_->letterTables) {
        if (configured == &language) {
            return tables;
        }
    }
    // A language from elsewhere (a copy): tables for the caller.
    made = std::make_unique<LetterTables>(language);
    return *made;
}

const LanguageConfig* RulesEvaluation::language(Language key) const {
    return index_->languages[static_cast<std::size_t>(key)];
}

std::string RulesEvaluation::mapToken(std::string_view token, const LayoutDirection& direction) const {
    if (auto table = index_->keyTables.find(direction); table != index_->keyTables.end()) {
        return table->second.render(token);
    }
    static const KeyboardMap empty;
    return KeyboardMaps::mapToken(token, empty, empty); // no map: every character as it is
}

RulesEvaluation::ScriptClassification RulesEvaluation::classifyScript(const Word& word) const {
    ScriptClassification script{0, index_->allLanguages};
    for (std::size_t i = 0; i < word.length(); ++i) {
        std::uint64_t languages = 0;
        if (const char32_t code = word.smallCodePoint(i); code < index_->smallLetterLanguages.size()) {
            languages = index_->smallLetterLanguages[code];
        } else if (UnicodeText::isLetter(word.character(i))) {
            auto it = index_->letterLanguages.find(UnicodeText::toLower(word.character(i)));
            languages = it == index_->letterLanguages.end() ? 0 : it->second;
        }
        if (languages != 0) { // letters of no configured alphabet are ignored
            ++script.classifiedLetters;
            script.coveringLanguages &= languages;
        }
    }
    if (script.classifiedLetters == 0) {
        script.coveringLanguages = 0;
    }
    return script;
}

LanguageList RulesEvaluation::detectSourceLanguages(const ScriptClassification& script) const {
    LanguageList sources; // in the order of the enumeration
    for (std::size_t i = 0; i < index_->languageKeys.size(); ++i) {
        if (script.coveringLanguages & (std::uint64_t{1} << i)) {
            sources.push_back(index_->languageKeys[i]);
        }
    }
    return sources;
}

bool RulesEvaluation::matchesProtectedPattern(std::string_view word) const {
    // "word.x": a word typed with a Cyrillic letter on the full-stop key. (A full stop and an ASCII
    // letter at the end are the last two characters whatever comes before them.)
    if (word.size() >= 2 && word[word.size() - 2] == '.' &&
        std::isalpha(static_cast<unsigned char>(word.back()))) {
        return false;
    }
    if (config_.protectedPatterns.empty()) {
        return false;
    }
    const CompiledRegex::Subject text(word);
    return std::any_of(config_.protectedPatterns.begin(), config_.protectedPatterns.end(),
                       [&](const ProtectedPattern& p) { return p.regex.find(text); });
}

bool RulesEvaluation::isDomainOrEmail(std::string_view word, const CompiledRegex::Subject& text) const {
    return mayEndLikeDomain(word) && index_->domainOrEmail.find(text);
}

std::optional<Language> RulesEvaluation::uniqueAlphabetLanguage(std::string_view word) const {
    auto sources = detectSourceLanguages(classifyScript(Word(word)));
    return sources.size() == 1 ? std::optional<Language>(sources.front()) : std::nullopt;
}

std::optional<Language> RulesEvaluation::exactPairTargetLanguage(std::string_view word) const {
    auto it = config_.manualOverrides.exactPairTargetLang.find(UnicodeText::toLower(word));
    return it == config_.manualOverrides.exactPairTargetLang.end() ? std::nullopt
                                                                   : std::optional<Language>(it->second);
}

std::optional<Language> RulesEvaluation::detectLanguage(std::string_view text) const {
    const ScriptClassification script = classifyScript(Word(text));
    for (Language key : index_->detectionOrder) {
        auto position = std::find(index_->languageKeys.begin(), index_->languageKeys.end(), key);
        std::size_t bit = static_cast<std::size_t>(position - index_->languageKeys.begin());
        if (position != index_->languageKeys.end() &&
            (script.coveringLanguages & (std::uint64_t{1} << bit))) {
            return key;
        }
    }
    return std::nullopt;
}

bool RulesEvaluation::hasLayoutMappedTrailing(std::string_view trailing,
                                              bool skipAmbiguousPunctuation) const {
    for (const std::string& c : UnicodeText::graphemes(trailing)) {
        if (skipAmbiguousPunctuation && ambiguousTrailingPunctuation().contains(c)) {
            continue;
        }
        if (index_->letterKeys.contains(c)) {
            return true;
        }
    }
    return false;
}

namespace {

// A finished word as the word lists hold it: lower-cased, letters and inner apostrophes only
// ("Don't," is "don't", "(файл)" is "файл", "что-то" is "чтото"); empty when fewer than two
// characters remain, or when another sign stands between its letters ("т.е.", "зи=зи": no word).
// Written to `out`, whose room is kept.
void lookupFormInto(std::string_view word, std::string& out) {
    UnicodeText::toLowerInto(word, out);
    const std::string& lowered = out;
    // Most words are letters only, each a character of its own: they are their own form.
    std::size_t alone = 0;
    for (std::size_t at = 0; at < lowered.size(); ++alone) {
        char32_t c = 0;
        const std::size_t length = UnicodeText::aloneCharacterAt(lowered, at, c);
        if (length == 0 || !UnicodeText::isLetter(c)) {
            alone = 0;
            break;
        }
        at += length;
    }
    if (alone >= 2) {
        return;
    }
    const Word lower(lowered);
    std::string kept;
    std::size_t letters = 0;       // characters kept
    std::size_t lastLetterEnd = 0; // the kept text up to its last letter
    std::size_t lettersToLast = 0; // characters kept up to it
    bool sign = false;             // a sign after the first letter
    for (std::size_t i = 0; i < lower.length(); ++i) {
        const std::string_view c = lower.character(i);
        const bool apostrophe = c == "'";
        if (apostrophe && letters == 0) {
            continue; // apostrophes before the first letter
        }
        const bool letter = UnicodeText::isLetter(c);
        if (letter && sign) {
            out.clear();
            return;
        }
        sign = sign || (letters > 0 && !letter && !apostrophe && c != "-");
        if (apostrophe || letter) {
            kept.append(c);
            ++letters;
            if (!apostrophe) {
                lastLetterEnd = kept.size();
                lettersToLast = letters;
            }
        }
    }
    if (lettersToLast < 2) {
        out.clear();
        return;
    }
    kept.resize(lastLetterEnd);
    out.assign(kept);
}

std::string lookupForm(std::string_view word) {
    std::string form;
    lookupFormInto(word, form);
    return form;
}

} // namespace

bool RulesEvaluation::isKnownWordInAnyTarget(const std::optional<std::string>& word) const {
    if (!word) {
        return false;
    }
    // The word as the lists hold it ("пам'яті", "don't"), and its letters alone ("что-то").
    const std::string form = lookupForm(*word);
    std::string letters = form;
    std::erase(letters, '\'');
    if (UnicodeText::length(letters) < 2) {
        return false;
    }
    // A hyphenated word ("что-то") is known when each of its parts is a word of one language.
    std::vector<std::string> parts;
    const std::string_view whole = *word;
    if (whole.find('-') != std::string_view::npos) {
        for (std::size_t start = 0, hyphen = 0; hyphen != std::string_view::npos; start = hyphen + 1) {
            hyphen = whole.find('-', start);
            parts.push_back(
                lookupForm(whole.substr(start, hyphen == std::string_view::npos ? hyphen : hyphen - start)));
        }
    }
    return std::any_of(config_.activeLanguages.begin(), config_.activeLanguages.end(), [&](Language key) {
        const LanguageConfig* lang = language(key);
        return lang != nullptr &&
               (lang->knows(letters) || lang->knows(form) ||
                (!parts.empty() && std::all_of(parts.begin(), parts.end(), [&](const std::string& part) {
                    return !part.empty() && lang->knows(part);
                })));
    });
}

std::vector<Language> RulesEvaluation::languagesOfWord(std::string_view word) const {
    std::vector<Language> found;
    const std::string form = lookupForm(word);
    if (form.empty()) {
        return found;
    }
    for (Language key : config_.activeLanguages) {
        const LanguageConfig* lang = language(key);
        if (lang != nullptr && lang->knows(form)) {
            found.push_back(key);
        }
    }
    return found;
}

namespace {
thread_local ScoreMemo threadMemo;
thread_local bool threadMemoInUse = false;

// Room for a word's readings, kept from word to word: the records are large, and a fresh block
// for a few of them costs more per word than most of the scoring.
thread_local std::vector<std::vector<DirectionOutcome>> spareDirectionRoom;
constexpr std::size_t spareDirectionRoomKept = 4;

std::vector<DirectionOutcome> directionRoom(std::size_t count) {
    std::vector<DirectionOutcome> room;
    if (!spareDirectionRoom.empty()) {
        room = std::move(spareDirectionRoom.back());
        spareDirectionRoom.pop_back();
    }
    room.reserve(count);
    return room;
}

void keepDirectionRoom(std::optional<PairOutcome>& pair) {
    if (pair && pair->directions.capacity() > 0 && spareDirectionRoom.size() < spareDirectionRoomKept) {
        pair->directions.clear();
        spareDirectionRoom.push_back(std::move(pair->directions));
    }
}
} // namespace

ScoreMemo::ForWord::ForWord() {
    if (threadMemoInUse) {
        own_ = std::make_unique<ScoreMemo>();
        memo_ = own_.get();
        return;
    }
    threadMemoInUse = true;
    threadMemo.clear();
    memo_ = &threadMemo;
}

ScoreMemo::ForWord::~ForWord() {
    if (memo_ == &threadMemo) {
        threadMemo.clear();
        threadMemoInUse = false;
    }
}

const std::string& ScoreMemo::formOf(std::string_view word) {
    for (std::size_t i = 0; i < formCount; ++i) {
        if (forms[i].word == word) {
            return forms[i].form;
        }
    }
    if (formCount == forms.size()) {
        forms.emplace_back();
    }
    Form& added = forms[formCount++];
    added.word.assign(word);
    lookupFormInto(word, added.form);
    return added.form;
}

bool RulesEvaluation::isDictionaryConfirmed(Language targetKey, const RulesDecision& decision,
                                            ScoreMemo& memo) const {
    return decision.correctedToken && isWordOf(targetKey, *decision.correctedToken, memo);
}

bool RulesEvaluation::isWordOf(Language key, std::string_view word, ScoreMemo& memo) const {
    const LanguageConfig* lang = language(key);
    if (lang == nullptr) {
        return false;
    }
    // Two typed readings often give one correction ("руддщ" read as Russian and as Ukrainian).
    const std::string& form = memo.formOf(word);
    return !form.empty() && memo.knows(*lang, form);
}

MixedOutcome RulesEvaluation::evaluateMixedScript(std::string_view token, int length,
                                                  std::string_view trailing,
                                                  const ProtectedCheck& isProtected,
                                                  bool isSentenceStart) const {
    MixedOutcome out;
    // Every reading of the word through the layouts of the active languages: a word half typed on
    // English keys reads as each active Cyrillic language, and back. Russian first on equal
    // scores, as the engine always preferred; a language that is not active gives no reading.
    struct Reading {
        std::string candidate;
        LayoutDirection direction;
        ScoreBreakdown breakdown;
    };
    std::vector<Reading> readings;
    std::vector<LayoutDirection> directions;
    for (const LayoutDirection& preferred : {LayoutDirection::enToRu, LayoutDirection::ruToEn}) {
        directions.push_back(preferred);
    }
    for (Language from : config_.activeLanguages) {
        for (Language to : config_.activeLanguages) {
            const LayoutDirection direction{from, to};
            if (from != to &&
                std::find(directions.begin(), directions.end(), direction) == directions.end()) {
                directions.push_back(direction);
            }
        }
    }
    for (const LayoutDirection& direction : directions) {
        if (!isActive(direction.from) || !isActive(direction.to)) {
            continue;
        }
        Reading reading{mapToken(token, direction), direction, {}};
        reading.breakdown =
            scoreToken(UnicodeText::toLower(reading.candidate), language(direction.to), isSentenceStart);
        reading.breakdown.layoutSuspicion = layoutSuspicionBonus(token, direction);
        readings.push_back(std::move(reading));
    }
    if (readings.empty()) { // fewer than two active languages: the word is read as it is
        readings.push_back({std::string(token), LayoutDirection::enToRu, {}});
    }
    std::stable_sort(readings.begin(), readings.end(), [](const Reading& a, const Reading& b) {
        return sortKey(a.breakdown.total()) > sortKey(b.breakdown.total());
    });
    const Reading& winner = readings.front();
    const Reading& loser = readings.size() > 1 ? readings[1] : readings.front();
    out.winnerCandidate = winner.candidate;
    out.winnerDirection = winner.direction;
    out.winnerBreakdown = winner.breakdown;
    out.loserCandidate = loser.candidate;
    out.loserDirection = loser.direction;
    out.loserBreakdown = loser.breakdown;
    const double winnerTotal = out.winnerBreakdown.total();
    const double loserTotal = out.loserBreakdown.total();
    out.delta = winnerTotal - loserTotal;
    out.confidence = confidenceOf(out.delta);
    std::tie(out.requiredDelta, out.minCandidate) = thresholdsFor(length);

    const DecisionConfig& d = config_.decision;
    if (!(winnerTotal >= out.minCandidate) || !(out.delta >= out.requiredDelta) ||
        !(out.confidence >= d.minConfidence)) {
        out.decision = RulesDecision::refusal(DecisionReason::mixedScriptNoClearWinner, out.confidence,
                                              loserTotal, winnerTotal);
    } else if (isProtected() && !(winnerTotal >= d.protectedPatternOverrideMinScore)) {
        out.decision =
            RulesDecision::refusal(DecisionReason::protectedPattern, out.confidence, loserTotal, winnerTotal);
    } else {
        double reported = out.winnerBreakdown.exactCommonWord > 0
                              ? out.confidence
                              : std::min(out.confidence, config_.decision.nonDictionaryConfidenceCap);
        out.decision =
            RulesDecision::correction(preserveCase(token, out.winnerCandidate) + std::string(trailing),
                                      DecisionReason::mixedScriptDualEval, reported, loserTotal, winnerTotal);
    }
    return out;
}

PairOutcome RulesEvaluation::evaluatePair(std::string_view token, const Word& typed,
                                          std::string_view trailing, bool isSentenceStart,
                                          std::optional<Language> activeInputSource,
                                          std::optional<Language> sessionLanguage, const LineContext& line,
                                          Selection selection) const {
    PairOutcome out;
    out.token = std::string(token);
    out.trailing = std::string(trailing);
    out.length = static_cast<int>(std::min<std::size_t>(typed.length(), std::numeric_limits<int>::max()));
    const TokenizationConfig& t = config_.tokenization;

    auto gate = [&](DecisionReason reason) {
        out.decision = RulesDecision::refusal(reason);
        return std::move(out);
    };
    if (token.empty()) {
        return gate(DecisionReason::emptyToken);
    }
    if (out.length < t.minTokenLengthForAuto) {
        return gate(DecisionReason::tooShort);
    }
    if (out.length > t.maxTokenLengthForAuto) {
        return gate(DecisionReason::tooLong);
    }
    out.isProtected = ProtectedCheck(*this, token);
    const ScriptClassification script = classifyScript(typed);
    for (std::size_t i = 0; i < typed.length() && !out.hasDigits; ++i) {
        const char32_t c = typed.smallCodePoint(i);
        out.hasDigits =
            c != Word::noCodePoint ? UnicodeText::isNumeric(c) : UnicodeText::isNumeric(typed.character(i));
    }
    out.isMixed = isMixedScript(script);
    if (out.isMixed) {
        if (!t.mixedScriptAuto) {
            return gate(DecisionReason::mixedScript);
        }
        out.mixed = evaluateMixedScript(token, out.length, trailing, out.isProtected, isSentenceStart);
        out.decision = out.mixed->decision;
        return out;
    }
    if (!t.digitsInTokenAuto && out.hasDigits) {
        return gate(DecisionReason::containsDigits);
    }
    LanguageList sources = detectSourceLanguages(script);
    if (sources.empty()) {
        if (std::optional<RulesDecision> read = readPunctuationKeys(token, trailing, sessionLanguage, line)) {
            out.decision = std::move(*read);
            return out;
        }
        return gate(DecisionReason::unknownScript);
    }
    const std::string lower = UnicodeText::toLower(token);
    ScoreMemo::ForWord memoForWord;
    ScoreMemo& memo = *memoForWord;
    memo.typedForScoring = sanitizeSourceForScoring(lower);
    for (Language source : sources) {
        if (const LanguageConfig* lang = language(source)) {
            lang->prefetch(memo.typedForScoring);
        }
    }
    // A word written in letters that two languages share ("где" is Russian and could be Ukrainian
    // letters) is read only as the languages it is a common word of: a correct Russian word must
    // not be replaced because it is unknown as Ukrainian.
    if (sources.size() > 1) {
        const std::string& word = memo.typedForScoring;
        LanguageList knownIn;
        for (Language source : sources) {
            const LanguageConfig* lang = language(source);
            if (lang != nullptr && memo.knows(*lang, word)) {
                knownIn.push_back(source);
            }
        }
        if (!knownIn.empty()) {
            sources = knownIn;
        }
    }
    if (config_.manualOverrides.neverCorrect.contains(lower)) {
        out.isNeverCorrect = true;
        return gate(DecisionReason::neverCorrect);
    }
    auto pair = config_.manualOverrides.exactPairs.find(lower);
    // A learned pair into a language that is not active does not fire ("Ghbdtn" stays with only
    // English active): its target is the pair's recorded language, else every language whose
    // alphabet writes it.
    if (pair != config_.manualOverrides.exactPairs.end()) {
        LanguageList targets;
        if (auto recorded = exactPairTargetLanguage(lower)) {
            targets.push_back(*recorded);
        } else {
            targets = detectSourceLanguages(classifyScript(Word(pair->second)));
        }
        const bool anyActive = targets.empty() || std::any_of(targets.begin(), targets.end(),
                                                              [&](Language key) { return isActive(key); });
        if (!anyActive) {
            pair = config_.manualOverrides.exactPairs.end();
        }
    }
    if (pair != config_.manualOverrides.exactPairs.end()) {
        out.isExactSeedPair = true;
        const std::optional<Language> target = uniqueAlphabetLanguage(pair->second);
        // Punctuation after the word as the layout of the learned word types it ("ghbdtn?" is
        // "привет,"); Russian and Ukrainian agree on their punctuation keys.
        std::optional<Language> layout = exactPairTargetLanguage(lower);
        if (!layout) {
            layout = target ? target : detectLanguage(pair->second);
        }
        const std::string after = sources.size() == 1 && layout && *layout != sources.front()
                                      ? renderTrailing(trailing, LayoutDirection{sources.front(), *layout})
                                      : std::string(trailing);
        out.decision = RulesDecision::correction(preserveCase(token, pair->second) + after,
                                                 DecisionReason::exactSeedPair, 0.99, 0,
                                                 config_.decision.scoringWeights.exactSeedPair);
        out.decision.targetLanguage = target;
        return out;
    }
    out.directions = directionRoom(sources.size() * config_.activeLanguages.size());
    for (Language source : sources) {
        for (const Language target : config_.activeLanguages) {
            if (target != source) {
                out.directions.push_back(readDirection(token, LayoutDirection{source, target}, memo));
            }
        }
    }
    for (DirectionOutcome& direction : out.directions) {
        const auto index = static_cast<int>(std::find(config_.activeLanguages.begin(),
                                                      config_.activeLanguages.end(), direction.direction.to) -
                                            config_.activeLanguages.begin());
        scoreAndDecideForDirection(direction, token, out.length, trailing, out.isProtected, isSentenceStart,
                                   index, sessionLanguage, line, memo);
        direction.decision.sourceLanguage = direction.direction.from;
        direction.decision.targetLanguage = direction.direction.to;
    }
    if (out.directions.empty()) {
        return gate(DecisionReason::noTargetLanguage);
    }
    selectWinner(out, activeInputSource, sessionLanguage, line, selection, memo);
    preferKnownReading(out, token, trailing, memo);
    readByParts(out, token, trailing, line, memo);
    readKnownWord(out, token, trailing, line, memo);
    return out;
}

std::optional<RulesDecision> RulesEvaluation::readPunctuationKeys(std::string_view token,
                                                                  std::string_view trailing,
                                                                  std::optional<Language> sessionLanguage,
                                                                  const LineContext& line) const {
    // Outside such a line "]]" is what it looks like (the end of a shell test, say).
    if (!line.language || !line.typedOnWrongLayout || !isActive(*line.language)) {
        return std::nullopt;
    }
    const Language target = *line.language;
    const LanguageConfig* lang = language(target);
    if (lang == nullptr) {
        return std::nullopt;
    }
    std::optional<LayoutDirection> found;
    std::string meant;
    for (Language source : config_.activeLanguages) {
        if (source == target) {
            continue;
        }
        const LayoutDirection direction{source, target};
        std::string reading = mapToken(token, direction);
        const Word letters(reading);
        if (reading == token || letters.length() < 2) {
            continue;
        }
        bool allLetters = true;
        for (std::size_t i = 0; i < letters.length() && allLetters; ++i) {
            allLetters = UnicodeText::isLetter(letters.character(i));
        }
        if (!allLetters) {
            continue;
        }
        const std::string lower = UnicodeText::toLower(reading);
        // A two-letter word as any other: a short word of the language, in agreement with the session.
        if (!lang->commonWords.contains(lower) ||
            twoLetterRefusal(letters.length(), lower, target, sessionLanguage)) {
            continue;
        }
        if (found && meant != reading) {
            return std::nullopt; // two layouts, two words: neither
        }
        found = direction;
        meant = std::move(reading);
    }
    if (!found) {
        return std::nullopt;
    }
    RulesDecision decision = RulesDecision::correction(
        preserveCase(token, meant) + renderTrailing(trailing, *found),
        DecisionReason::lineReadsPunctuationKeys, config_.decision.minConfidence, 0, 0);
    decision.sourceLanguage = found->from;
    decision.targetLanguage = found->to;
    return decision;
}

void RulesEvaluation::readKnownWord(PairOutcome& pair, std::string_view token, std::string_view trailing,
                                    const LineContext& line, ScoreMemo& memo) const {
    // Refused only for its own score: far better than what was typed, across alphabets (a reading
    // in the same alphabet keeps that direction's stricter rules).
    auto refusedForScore = [&](const DirectionOutcome& d) {
        return d.scored && d.decision.reason == DecisionReason::candidateScoreTooLow &&
               !isSameScriptDirection(d.direction) && d.delta && d.requiredDelta &&
               *d.delta >= *d.requiredDelta;
    };
    if (pair.decision.shouldCorrect() || pair.decision.reason != DecisionReason::candidateScoreTooLow ||
        std::none_of(pair.directions.begin(), pair.directions.end(), refusedForScore) || pair.isProtected()) {
        return;
    }
    // The readings across alphabets that are words (a short one may be a word of a large
    // vocabulary by chance).
    std::vector<std::size_t> words;
    for (std::size_t i = 0; i < pair.directions.size(); ++i) {
        const DirectionOutcome& d = pair.directions[i];
        if (d.scored && !isSameScriptDirection(d.direction) &&
            UnicodeText::length(memo.formOf(d.candidate)) >= 4 &&
            isWordOf(d.direction.to, d.candidate, memo)) {
            words.push_back(i);
        }
    }
    // Words in two languages ("первый", "первій").
    const std::optional<std::size_t> found = readingOfLine(pair, words, line);
    // Taken when it was refused only for its score, and what was typed is a word of no language.
    if (!found || !refusedForScore(pair.directions[*found]) ||
        std::any_of(config_.activeLanguages.begin(), config_.activeLanguages.end(),
                    [&](Language key) { return isWordOf(key, token, memo); })) {
        return;
    }
    correctInto(pair, *found, token, trailing, DecisionReason::readingIsKnownWord);
}

void RulesEvaluation::readByParts(PairOutcome& pair, std::string_view token, std::string_view trailing,
                                  const LineContext& line, ScoreMemo& memo) const {
    const DecisionReason reason = pair.decision.reason;
    auto mayBeCut = [&](const DirectionOutcome& d) {
        return d.scored &&
               std::any_of(d.candidate.begin(), d.candidate.end(),
                           [](char c) { return c == '-' || c == '.' || c == '/' || c == '\''; }) &&
               !isSameScriptDirection(d.direction);
    };
    // A correction taken on its letters alone ("ПЕРШИЙ-ОСТАННЫЙ") gives way to a reading whose
    // parts are words ("ПЕРШИЙ-ОСТАННІЙ").
    const bool onLettersAlone = pair.decision.shouldCorrect() && pair.chosen &&
                                reason == DecisionReason::highConfidenceGibberishBypass;
    if ((pair.decision.shouldCorrect() && !onLettersAlone) ||
        (!onLettersAlone && reason != DecisionReason::candidateScoreTooLow &&
         reason != DecisionReason::lowConfidence && reason != DecisionReason::noMappingChange) ||
        std::none_of(pair.directions.begin(), pair.directions.end(), mayBeCut) || pair.isProtected()) {
        return;
    }
    // How well a language knows a part: 2 a common word, 1 a word of its vocabulary, 0 no word.
    auto knownAs = [&](Language key, std::string_view part) {
        const LanguageConfig* lang = language(key);
        const std::string& form = memo.formOf(part);
        if (lang == nullptr || form.empty()) {
            return 0;
        }
        return lang->commonWords.contains(form) ? 2 : memo.knows(*lang, form) ? 1 : 0;
    };
    // A name after initials ("Н.Векшин") is in no vocabulary: it must read as the target's
    // letters better than it was typed, and be no word as typed.
    auto readsAsName = [&](const LayoutDirection& direction, std::string_view part, std::string_view typed) {
        if (UnicodeText::length(part) < 3 || !UnicodeText::isUpperCase(UnicodeText::firstGrapheme(part)) ||
            knownAs(direction.from, typed) != 0) {
            return false;
        }
        const std::string partForm = memo.formOf(part);
        if (partForm.empty()) {
            return false;
        }
        // The typed part as it is, its punctuation keys too ("Rjyz[by" for "Коняхин").
        const std::string typedLower = UnicodeText::toLower(typed);
        const double read = memo.score(*this, partForm, language(direction.to), false).total();
        const double asTyped = memo.score(*this, typedLower, language(direction.from), false).total();
        return read > 0 && read > asTyped;
    };
    // Whether a reading, cut where it has a hyphen, or a full stop or slash typed with a key that
    // is no letter, is words and initials: each part of two or more characters reads as a word,
    // better known than the part as typed ("nj" is an English abbreviation, "то" a common Russian
    // word; "из" typed right reads "bp"), or as a name after an initial; a capital alone before a
    // full stop is an initial ("А.С.Пушкин"), and one word at least is there.
    std::optional<Word> typedSplit;
    auto readsAsParts = [&](const DirectionOutcome& d) {
        if (!typedSplit) {
            typedSplit.emplace(token);
        }
        const Word& typed = *typedSplit;
        const Word reading(d.candidate);
        if (reading.length() != typed.length()) {
            return false;
        }
        // ("/" on English keys is a full stop on the Russian ones; "ю" typed for one is a letter.)
        auto cutsAt = [&](std::size_t i) {
            const std::string_view c = reading.character(i);
            return c == "-" || ((c == "." || c == "/") && !UnicodeText::isLetter(typed.character(i)));
        };
        std::size_t end = reading.length();
        // An English possessive ("parakeet's", "Joneses'") is its word: the ending is no part.
        auto isS = [&](std::size_t i) { return reading.character(i) == "s" || reading.character(i) == "S"; };
        const bool possessive = end >= 4 && ((reading.character(end - 2) == "'" && isS(end - 1)) ||
                                             (reading.character(end - 1) == "'" && isS(end - 2)));
        if (possessive) {
            // ...unless what was typed is a word as it stands ("діє" reads "ls'").
            if (knownAs(d.direction.from, token) != 0) {
                return false;
            }
            end -= reading.character(end - 1) == "'" ? 1 : 2;
        }
        std::size_t firstCut = 0;
        while (firstCut < end && !cutsAt(firstCut)) {
            ++firstCut;
        }
        if (!possessive && firstCut + 1 >= end) {
            return false; // one part, the whole word, judged already (a mark at its end is no cut)
        }
        bool word = false;
        bool afterInitial = false;
        for (std::size_t from = 0; from < end;) {
            std::size_t to = from;
            while (to < end && !cutsAt(to)) {
                ++to;
            }
            if (to == from) {
                return false; // two marks in a row, or one at the start
            }
            if (to + 1 == end) {
                end = to; // a full stop after the last part ("своп-файл.") ends the word
            }
            const std::string_view part = reading.characters(from, to);
            const bool initial =
                to - from == 1 && to < end && reading.character(to) == "." && UnicodeText::isUpperCase(part);
            if (!initial) {
                const std::string_view typedPart = typed.characters(from, to);
                const int known = knownAs(d.direction.to, part);
                if ((known == 0 && !(afterInitial && readsAsName(d.direction, part, typedPart))) ||
                    (known != 0 && known <= knownAs(d.direction.from, typedPart))) {
                    return false;
                }
                word = true;
            }
            afterInitial = initial;
            from = to + 1;
        }
        return word;
    };
    // Two readings in two languages ("И.Э.Бабель" and "И.Є.Бабель": "Э" and "Є" are one key).
    std::vector<std::size_t> readings;
    for (std::size_t i = 0; i < pair.directions.size(); ++i) {
        if (mayBeCut(pair.directions[i]) && readsAsParts(pair.directions[i])) {
            readings.push_back(i);
        }
    }
    if (onLettersAlone && std::find(readings.begin(), readings.end(), *pair.chosen) != readings.end()) {
        return; // its parts are words as well
    }
    if (const std::optional<std::size_t> found = readingOfLine(pair, readings, line)) {
        correctInto(pair, *found, token, trailing, DecisionReason::partsAreWords);
    }
}

std::optional<std::size_t> RulesEvaluation::readingOfLine(const PairOutcome& pair,
                                                          const std::vector<std::size_t>& readings,
                                                          const LineContext& line) const {
    std::optional<std::size_t> found;
    for (const std::size_t i : readings) {
        const DirectionOutcome& d = pair.directions[i];
        if (found && pair.directions[*found].candidate != d.candidate) {
            const bool lineSaysThis = line.language && *line.language == d.direction.to;
            const bool lineSaysFound =
                line.language && *line.language == pair.directions[*found].direction.to;
            if (lineSaysFound == lineSaysThis) {
                return std::nullopt;
            }
            if (lineSaysFound) {
                continue;
            }
        }
        if (!found || pair.directions[*found].candidate != d.candidate) {
            found = i;
        }
    }
    return found;
}

void RulesEvaluation::correctInto(PairOutcome& pair, std::size_t index, std::string_view token,
                                  std::string_view trailing, DecisionReason reason) const {
    const DirectionOutcome& d = pair.directions[index];
    RulesDecision decision = RulesDecision::correction(
        preserveCase(token, d.candidate) + renderTrailing(trailing, d.direction), reason,
        d.decision.confidence, d.decision.originalScore, d.decision.candidateScore);
    decision.sourceLanguage = d.direction.from;
    decision.targetLanguage = d.direction.to;
    pair.chosen = index;
    pair.decision = std::move(decision);
}

void RulesEvaluation::preferKnownReading(PairOutcome& pair, std::string_view token, std::string_view trailing,
                                         ScoreMemo& memo) const {
    if (!pair.decision.shouldCorrect() || !pair.chosen || pair.isProtected()) {
        return;
    }
    // "usgthdspjh" read as Russian is "гыпервызор", no word; read as Ukrainian it is
    // "гіпервізор", refused only because Ukrainian comes third: of the readings refused only for
    // their score, the best one that is a word of its language.
    std::optional<std::size_t> known;
    for (std::size_t i = 0; i < pair.directions.size(); ++i) {
        const DirectionOutcome& d = pair.directions[i];
        const DecisionReason reason = d.decision.reason;
        const bool refusedForScore =
            i != *pair.chosen && d.scored && !d.decision.shouldCorrect() && d.delta > 0 &&
            (reason == DecisionReason::candidateScoreTooLow || reason == DecisionReason::lowConfidence);
        if (refusedForScore && isWordOf(d.direction.to, d.candidate, memo) &&
            (!known || d.decision.candidateScore > pair.directions[*known].decision.candidateScore)) {
            known = i;
        }
    }
    // It takes the place of a correction into no word of any active language.
    const std::string& chosen = pair.directions[*pair.chosen].candidate;
    if (!known || memo.formOf(chosen).empty() ||
        std::any_of(config_.activeLanguages.begin(), config_.activeLanguages.end(),
                    [&](Language key) { return isWordOf(key, chosen, memo); })) {
        return;
    }
    correctInto(pair, *known, token, trailing, DecisionReason::knownWordOverNonWord);
}

void RulesEvaluation::selectWinner(PairOutcome& pair, std::optional<Language> activeInputSource,
                                   std::optional<Language> sessionLanguage, const LineContext& line,
                                   Selection selection, ScoreMemo& memo) const {
    const auto& all = pair.directions;
    auto decisionOf = [&](std::size_t i) -> const RulesDecision& { return all[i].decision; };
    auto choose = [&](std::size_t i) {
        pair.chosen = i;
        pair.decision = decisionOf(i);
    };

    // The lists of directions below are a few indices each: kept on the stack.
    std::array<std::byte, 1024> room;
    std::pmr::monotonic_buffer_resource arena(room.data(), room.size());
    using Indices = std::pmr::vector<std::size_t>;
    Indices order(all.size(), &arena);
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    if (selection == Selection::diagnostic) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return all[a].direction.from < all[b].direction.from;
        });
    }
    if (order.size() == 1) {
        return choose(order.front());
    }
    Indices correcting(&arena);
    for (std::size_t i : order) {
        if (decisionOf(i).shouldCorrect()) {
            correcting.push_back(i);
        }
    }
    if (correcting.empty()) {
        std::size_t best = order.front();
        for (std::size_t i : order) {
            if (decisionOf(i).candidateScore > decisionOf(best).candidateScore) {
                best = i;
            }
        }
        return choose(best);
    }
    if (correcting.size() == 1) {
        return choose(correcting.front());
    }
    Indices pool(&arena);
    for (std::size_t i : correcting) {
        if (isDictionaryConfirmed(all[i].direction.to, decisionOf(i), memo)) {
            pool.push_back(i);
        }
    }
    if (pool.empty()) {
        pool = correcting;
    }
    // The line is written in one language: of two readings ("файлы" and "файлі" for "afqks"),
    // the one in the line's language.
    if (line.language) {
        Indices inLine(&arena);
        std::copy_if(pool.begin(), pool.end(), std::back_inserter(inLine),
                     [&](std::size_t i) { return all[i].direction.to == *line.language; });
        if (!inLine.empty()) {
            pool = std::move(inLine);
        }
    }
    if (pool.size() == 1) {
        return choose(pool.front());
    }
    std::stable_sort(pool.begin(), pool.end(), [&](std::size_t a, std::size_t b) {
        return sortKey(decisionOf(a).candidateScore) > sortKey(decisionOf(b).candidateScore);
    });
    const std::size_t best = pool.front();
    const RulesDecision& bestDecision = decisionOf(best);
    const bool nearTieWithOtherWord = std::any_of(pool.begin() + 1, pool.end(), [&](std::size_t i) {
        return decisionOf(i).correctedToken != bestDecision.correctedToken &&
               withinTie(decisionOf(i).candidateScore, bestDecision.candidateScore);
    });

    if (!nearTieWithOtherWord) {
        Indices same(&arena);
        for (std::size_t i : pool) {
            if (decisionOf(i).correctedToken == bestDecision.correctedToken) {
                same.push_back(i);
            }
        }
        if (selection == Selection::live && activeInputSource && same.size() >= 2) {
            for (std::size_t i : same) {
                if (all[i].direction.from == *activeInputSource) {
                    return choose(i);
                }
            }
        }
        Indices close(&arena);
        for (std::size_t i : same) {
            if (withinTie(decisionOf(i).candidateScore, bestDecision.candidateScore)) {
                close.push_back(i);
            }
        }
        if (close.size() <= 1) {
            return choose(best);
        }
        std::size_t pick = close.front();
        for (std::size_t i : close) {
            if (all[i].direction.from < all[pick].direction.from) {
                pick = i;
            }
        }
        return choose(pick);
    }

    if (selection == Selection::live && sessionLanguage) {
        Indices sessionMatches(&arena);
        for (std::size_t i : pool) {
            if (withinTie(decisionOf(i).candidateScore, bestDecision.candidateScore) &&
                all[i].direction.to == *sessionLanguage) {
                sessionMatches.push_back(i);
            }
        }
        bool oneWord =
            !sessionMatches.empty() &&
            std::all_of(sessionMatches.begin(), sessionMatches.end(), [&](std::size_t i) {
                return decisionOf(i).correctedToken == decisionOf(sessionMatches.front()).correctedToken;
            });
        if (oneWord) {
            choose(sessionMatches.front());
            pair.decision.reason = DecisionReason::sessionLanguageTieBreak;
            return;
        }
    }
    pair.chosen = best;
    pair.decision = RulesDecision::refusal(DecisionReason::ambiguousTarget, bestDecision.confidence,
                                           bestDecision.originalScore, bestDecision.candidateScore);
}

WordOutcome RulesEvaluation::evaluateWord(std::string_view token, std::string_view applicationID,
                                          bool isSentenceStart, std::optional<Language> activeInputSource,
                                          std::optional<Language> sessionLanguage, const LineContext& line,
                                          Selection selection) const {
    // The line's language settles close calls before the session's streak does.
    const std::optional<Language> context = line.language ? line.language : sessionLanguage;
    WordOutcome out;
    if (!applicationID.empty() && index_->excludedAppsLower.contains(UnicodeText::toLower(applicationID))) {
        out.decision = RulesDecision::refusal(DecisionReason::excludedApp);
        return out;
    }

    // Split off trailing boundary characters: the configured ones, and every other character that
    // is no letter and types none on any layout ("/", "&", "^" stand for ".", "?", ":" elsewhere).
    std::string_view trimmed = token;
    const Word chars(token);
    std::size_t keep = chars.length();
    if (config_.tokenization.stripBoundaryBeforeScoring && !token.empty()) {
        auto ends = [&](std::string_view c) {
            return config_.tokenization.wordBoundaries.contains(c) ||
                   (!UnicodeText::isLetter(c) && !UnicodeText::isNumeric(c) &&
                    !index_->letterKeys.contains(c));
        };
        while (keep > 0 && ends(chars.character(keep - 1))) {
            --keep;
        }
        trimmed = token.substr(0, keep == 0 ? 0 : chars.characters(0, keep).size());
    }
    std::string_view trailing = token.substr(trimmed.size());
    // The trimmed word's split is the start of the whole word's (text that is not well-formed
    // UTF-8 is split again: its split holds U+FFFD where the text has other bytes).
    const Word trimmedChars = keep == chars.length()  ? Word()
                              : chars.text() == token ? chars.prefix(keep)
                                                      : Word(trimmed);

    out.trimmed = evaluatePair(trimmed, keep == chars.length() ? chars : trimmedChars, trailing,
                               isSentenceStart, activeInputSource, context, line, selection);
    const RulesDecision& trimmedDecision = out.trimmed->decision;
    out.decision = trimmedDecision;
    if (!hasLayoutMappedTrailing(trailing, false)) {
        return out;
    }
    out.full = evaluatePair(token, chars, "", isSentenceStart, activeInputSource, context, line, selection);
    const RulesDecision& fullDecision = out.full->decision;

    auto pickTrimmed = [&]() {
        out.usedFull = false;
        if (!trimmedDecision.shouldCorrect() || isKnownWordInAnyTarget(trimmedDecision.correctedToken) ||
            isKnownWordInAnyTarget(fullDecision.shouldCorrect() ? fullDecision.correctedToken
                                                                : std::nullopt)) {
            out.decision = trimmedDecision;
        } else {
            out.decision = RulesDecision::refusal(DecisionReason::ambiguousTrailingUnknownStem,
                                                  trimmedDecision.confidence, trimmedDecision.originalScore,
                                                  trimmedDecision.candidateScore);
        }
        return std::move(out);
    };
    auto pickFull = [&]() {
        out.usedFull = true;
        out.decision = fullDecision;
        return std::move(out);
    };

    if (!fullDecision.shouldCorrect()) {
        return pickTrimmed();
    }
    // A protected word ("PDF", "NYC") stays protected with its full stop: "PDF." read whole is
    // no word either.
    if (out.trimmed->isProtected() && !isKnownWordInAnyTarget(fullDecision.correctedToken)) {
        return pickTrimmed();
    }
    if (!trimmedDecision.shouldCorrect() || hasLayoutMappedTrailing(trailing, true)) {
        return pickFull();
    }
    bool fullKnown = isKnownWordInAnyTarget(fullDecision.correctedToken);
    bool trimmedKnown = isKnownWordInAnyTarget(trimmedDecision.correctedToken);
    if (fullKnown != trimmedKnown) {
        return fullKnown ? pickFull() : pickTrimmed();
    }
    // Both readings are words ("немає" and "нема" with an apostrophe, "ніж" and "ні" with a
    // semicolon): the keys were typed as one word on the wrong layout, so the key that is a letter
    // there is a letter.
    if (fullKnown) {
        return pickFull();
    }
    return fullDecision.candidateScore > trimmedDecision.candidateScore ? pickFull() : pickTrimmed();
}

RulesDecision RulesEvaluation::evaluate(std::string_view token, std::string_view applicationID,
                                        bool isSentenceStart, std::optional<Language> activeInputSource,
                                        std::optional<Language> sessionLanguage,
                                        const LineContext& line) const {
    // The line's language settles close calls before the session's streak does.
    WordOutcome outcome = evaluateWord(token, applicationID, isSentenceStart, activeInputSource,
                                       sessionLanguage, line, Selection::live);
    keepDirectionRoom(outcome.trimmed);
    keepDirectionRoom(outcome.full);
    return std::move(outcome.decision);
}

TokenScoreDetail RulesEvaluation::scoreDetail(const std::string& token, Language languageKey,
                                              const ScoreBreakdown& breakdown) const {
    const LanguageConfig* lang = language(languageKey);
    BigramScoring bigrams = bigramScoringDetail(token, lang);
    return {token,
            languageKey,
            breakdown,
            std::move(bigrams.bigrams),
            bigrams.sumLogProb,
            bigrams.normalized,
            lang != nullptr ? lang->ngramScoringScale : 0.0};
}

RulesDiagnostic RulesEvaluation::diagnose(std::string_view token, std::string_view applicationID,
                                          bool isSentenceStart, std::optional<Language> sessionLanguage,
                                          const LineContext& line) const {
    WordOutcome word = evaluateWord(token, applicationID, isSentenceStart, std::nullopt, sessionLanguage,
                                    line, Selection::diagnostic);
    RulesDiagnostic base;
    base.rawToken = std::string(token);
    base.minConfidence = config_.decision.minConfidence;
    base.decision = word.decision;
    const PairOutcome* pair =
        word.usedFull ? (word.full ? &*word.full : nullptr) : (word.trimmed ? &*word.trimmed : nullptr);
    if (pair == nullptr) { // excluded application
        base.trimmedToken = base.rawToken;
        base.tokenLength = static_cast<int>(UnicodeText::length(token));
        return base;
    }
    base.trimmedToken = pair->token;
    base.trailingPunctuation = pair->trailing;
    base.tokenLength = pair->length;
    base.isProtectedPattern = pair->isProtected();
    base.isMixedScript = pair->isMixed;
    base.containsDigits = pair->hasDigits;
    base.isNeverCorrect = pair->isNeverCorrect;
    base.isExactSeedPair = pair->isExactSeedPair;

    if (pair->mixed) {
        const MixedOutcome& m = *pair->mixed;
        base.detectedDirection = "MIXED_DUAL_winner=" + directionLabel(m.winnerDirection);
        base.candidate = m.winnerCandidate;
        base.candidateDetail =
            scoreDetail(UnicodeText::toLower(m.winnerCandidate), m.winnerDirection.to, m.winnerBreakdown);
        base.originalDetail =
            scoreDetail(UnicodeText::toLower(m.loserCandidate), m.loserDirection.to, m.loserBreakdown);
        base.layoutSuspicionBonus = m.winnerBreakdown.layoutSuspicion;
        base.requiredDelta = m.requiredDelta;
        base.minCandidateScore = m.minCandidate;
        base.delta = m.delta;
        base.confidence = m.confidence;
        return base;
    }

    auto directionRecord = [&](const DirectionOutcome& d) {
        RulesDiagnostic r = base;
        r.detectedDirection = directionLabel(d.direction);
        r.candidate = d.candidate;
        r.decision = d.decision;
        if (d.scored) {
            r.originalDetail = scoreDetail(d.source, d.direction.from, d.sourceBreakdown);
            r.candidateDetail = scoreDetail(d.candidateLower, d.direction.to, d.candidateBreakdown);
            r.layoutSuspicionBonus = d.suspicion;
            r.appliedExtraDeltaForCommonOriginal = d.appliedExtraDeltaForCommonOriginal;
            r.appliedPhraseStartDiscount = d.appliedPhraseStartDiscount;
            r.requiredDelta = d.requiredDelta;
            r.minCandidateScore = d.minCandidate;
            r.delta = d.delta;
            r.confidence = d.confidence;
        }
        return r;
    };
    if (!pair->chosen) {
        return base; // stopped by a gate before any direction was scored
    }
    RulesDiagnostic winner = directionRecord(pair->directions[*pair->chosen]);
    winner.decision = word.decision;
    for (const DirectionOutcome& d : pair->directions) {
        winner.competingDirections.push_back(directionRecord(d));
    }
    return winner;
}

} // namespace keyvane

namespace keyvane {

// The public face of the engine: each call is worked out on the configuration and index of now.

RulesEvaluation RulesEngine::evaluation() const {
    return RulesEvaluation(config_, *index_);
}

RulesDecision RulesEngine::evaluate(std::string_view token, std::string_view applicationID,
                                    bool isSentenceStart, std::optional<Language> activeInputSource,
                                    std::optional<Language> sessionLanguage, const LineContext& line) const {
    return evaluation().evaluate(token, applicationID, isSentenceStart, activeInputSource, sessionLanguage,
                                 line);
}

RulesDiagnostic RulesEngine::diagnose(std::string_view token, std::string_view applicationID,
                                      bool isSentenceStart, std::optional<Language> sessionLanguage,
                                      const LineContext& line) const {
    return evaluation().diagnose(token, applicationID, isSentenceStart, sessionLanguage, line);
}

std::string RulesEngine::mapToken(std::string_view token, const LayoutDirection& direction) const {
    return evaluation().mapToken(token, direction);
}

ManualConversionResult RulesEngine::convertSelectionSmart(std::string_view text,
                                                          std::optional<Language> activeInputSource) const {
    return evaluation().convertSelectionSmart(text, activeInputSource);
}

ManualConversionResult RulesEngine::convertSelection(std::string_view text, Language target) const {
    return evaluation().convertSelection(text, target);
}

std::optional<std::string> RulesEngine::convertOneLetterWord(std::string_view word, Language from,
                                                             Language to) const {
    return evaluation().convertOneLetterWord(word, from, to);
}

std::optional<Language> RulesEngine::uniqueAlphabetLanguage(std::string_view word) const {
    return evaluation().uniqueAlphabetLanguage(word);
}

std::optional<Language> RulesEngine::exactPairTargetLanguage(std::string_view word) const {
    return evaluation().exactPairTargetLanguage(word);
}

std::vector<Language> RulesEngine::languagesOfWord(std::string_view word) const {
    return evaluation().languagesOfWord(word);
}

std::optional<Language> RulesEngine::detectLanguage(std::string_view text) const {
    return evaluation().detectLanguage(text);
}

std::pair<double, double> RulesEngine::thresholdsFor(int length) const {
    return evaluation().thresholdsFor(length);
}

} // namespace keyvane
