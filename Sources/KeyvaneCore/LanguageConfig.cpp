// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneCore/LanguageConfig.h"

#include "KeyvaneCore/JsonValues.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace keyvane {
namespace {

using JsonValues::Json;

StringSet wordsOf(const char* spaceSeparated) {
    StringSet out;
    std::istringstream in(spaceSeparated);
    for (std::string word; in >> word;) {
        out.insert(word);
    }
    return out;
}

// "th=3 he=3 ..." → table.
StringMap<double> weightsOf(const char* entries) {
    StringMap<double> out;
    std::istringstream in(entries);
    for (std::string entry; in >> entry;) {
        auto eq = entry.find('=');
        double weight = 0;
        // from_chars, unlike stod, does not depend on the process locale's decimal point.
        std::from_chars(entry.data() + eq + 1, entry.data() + entry.size(), weight);
        out[entry.substr(0, eq)] = weight;
    }
    return out;
}

template <typename T> const T& byLanguage(Language language, const T& en, const T& ru, const T& uk) {
    switch (language) {
    case Language::ru: return ru;
    case Language::uk: return uk;
    case Language::en: break;
    }
    return en;
}

const char* const ukrainianLetters = "абвгґдеєжзиіїйклмнопрстуфхцчшщьюя'";

} // namespace

namespace LanguageDefaults {

const StringSet& defaultVowels(Language language) {
    static const StringSet none;
    static const StringSet uk = UnicodeText::characterSet("аеєиіїоуюя");
    return byLanguage(language, none, none, uk);
}

const StringSet& defaultScriptAlphabet(Language language) {
    static const StringSet en = UnicodeText::characterSet("abcdefghijklmnopqrstuvwxyz");
    static const StringSet ru = UnicodeText::characterSet("абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
    static const StringSet uk = UnicodeText::characterSet(ukrainianLetters);
    return byLanguage(language, en, ru, uk);
}

const StringSet& defaultMicroDictionary(Language language) {
    static const StringSet en =
        wordsOf("i a in on at of to by is it he we an as or no my me us the and for you are "
                "was but not can his her its all any who why how one two this that what "
                "when from with had has did");
    static const StringSet ru =
        wordsOf("и в на не по от до или но за из к о у я ты он мы вы для что как это мне "
                "ему ей нам вам им был бы же ли эти тот та те его её их там тут так тем "
                "был вот");
    static const StringSet uk = wordsOf("і в на не до що ти він вона ми ви вони це чи як та");
    return byLanguage(language, en, ru, uk);
}

const StringMap<double>& defaultBigramLogWeights(Language language) {
    static const StringMap<double> en = weightsOf(
        "th=3 he=3 in=2.8 er=2.8 an=2.6 re=2.5 on=2.4 at=2.3 en=2.3 nd=2.2 ti=2.1 es=2 or=2 te=1.9 of=1.9 "
        "ed=1.9 is=1.9 it=1.8 al=1.8 ar=1.8 st=1.8 to=1.7 nt=1.7 ng=1.6 se=1.6 ha=1.6 as=1.5 ou=1.5 io=1.5 "
        "le=1.4 ve=1.4 co=1.4 me=1.4 de=1.4 hi=1.4 ri=1.4 ro=1.3 ic=1.3 ne=1.3 ea=1.3 ra=1.3 ce=1.2 li=1.2 "
        "ch=1.2 ll=1.2 be=1.2 ma=1.1 si=1.1 om=1 ur=1 ca=1 el=1 ta=1 la=1 ns=1 di=0.9 fo=0.9 ho=0.9 pe=0.9 "
        "ec=0.9 pr=0.9 no=0.9 ct=0.9 us=0.9 ac=0.8 ot=0.8 il=0.8 rt=0.8 wa=0.8 ge=0.8 wi=0.7 ow=0.7 po=0.7 "
        "su=0.7 ie=0.7 fi=0.7 ph=0.7 ep=0.6 mo=0.6 by=0.6 ai=0.6 tu=0.6 we=0.6 yo=0.6 lo=0.5 pa=0.5 do=0.5 "
        "ul=0.5 if=0.5 gh=0.5 ev=0.4 ki=0.4 ad=0.4 tr=0.4 ts=0.4 ld=0.4 rn=0.4 mp=0.4 fu=0.4 ag=0.4 tp=-3 "
        "pf=-3.5 pb=-3 bk=-3.5 kb=-3 mk=-3 wk=-2.5 zk=-5 xk=-5 qk=-5 vk=-3 fp=-3.5 bp=-3 jb=-3 jp=-3 jt=-3 "
        "jq=-5 qj=-5 wq=-5 qw=-5 vh=-3 jr=-2 ht=-1.5 uh=-1.5 kp=-3 pn=-3 gt=-2.5 hg=-3 kt=-2 qz=-5 qx=-5 "
        "pq=-5 vj=-4 jv=-4 xz=-4 zx=-4 vw=-3.5 wv=-3.5 vb=-3 bv=-3 fk=-3.5 kf=-3.5 lj=-3 jl=-3 hb=-3 dt=-2.5 "
        "td=-2.5 bd=-3");
    static const StringMap<double> ru = weightsOf(
        "ст=3 но=2.9 ен=2.8 то=2.8 на=2.7 ов=2.6 ни=2.6 ра=2.5 во=2.5 ко=2.4 пр=2.4 ос=2.3 по=2.3 ро=2.2 "
        "ре=2.2 не=2.2 ка=2.1 ал=2.1 ле=2.1 ет=2.1 ор=2 ел=2 ан=2 ть=2 ва=2 ер=2 ли=1.9 ит=1.9 ат=1.9 де=1.9 "
        "пе=1.9 от=1.9 ас=1.8 та=1.8 ом=1.8 ог=1.8 ес=1.7 ир=1.7 ло=1.7 ил=1.7 за=1.7 вы=1.6 ин=1.6 ру=1.6 "
        "ез=1.5 са=1.5 ис=1.5 ме=1.5 ия=1.5 ач=1.5 ие=1.5 гр=1.5 сп=1.4 ам=1.4 од=1.4 ск=1.4 ма=1.4 че=1.4 "
        "ри=1.4 тр=1.4 пи=1.3 ши=1.3 дн=1.3 пл=1.3 кл=1.3 хо=1.3 уж=1.3 ня=1.3 сь=1.3 уз=1.3 зи=1.3 зу=1.3 "
        "ум=1.2 сл=1.1 бр=1.2 вр=1.2 др=1.2 зн=1.2 сн=1.1 ще=1.2 аг=1.2 уг=1.1 ое=1 мн=1 го=1.4 кт=0.8 ек=1 "
        "ьн=1.2 об=1.5 уч=1.3 ой=1.5 те=1.6 ну=1 ьа=-5 ьо=-5 ьу=-5 ьы=-5 ьэ=-5 ъъ=-8 ьь=-8 ьъ=-8 ъь=-8 йй=-5 "
        "ыы=-5 жы=-8 шы=-8 ця=-8 цю=-8 чя=-8 щя=-8 щю=-8 йь=-5 йъ=-5 ьц=-3 ъа=-5 ъо=-5 ъу=-5 ъы=-5 ъэ=-5");
    static const StringMap<double> uk = weightsOf(
        "на=3 ро=2.98 ст=2.95 ко=2.83 ан=2.79 ер=2.79 ов=2.79 но=2.73 ра=2.73 ни=2.69 ен=2.65 та=2.62 "
        "ні=2.54 ор=2.52 ві=2.51 го=2.49 по=2.48 ва=2.46 ів=2.41 ал=2.36 ьк=2.36 ом=2.34 ре=2.33 ог=2.3 "
        "ар=2.26 ка=2.25 ри=2.25 пр=2.23 ід=2.22 ол=2.22 ос=2.22 сь=2.22 то=2.21 ль=2.18 ти=2.17 во=2.15 "
        "ня=2.14 лі=2.12 ви=2.11 ла=2.11 ыэ=-8 эы=-8 ьъ=-8 ъь=-8 ыё=-8 ёы=-8 ыъ=-8 ъэ=-8 ьа=-5 ьо=-5 "
        "ьу=-5 ьі=-5 йй=-5");
    return byLanguage(language, en, ru, uk);
}

const std::vector<CompiledRegex>& defaultImpossiblePatterns(Language language) {
    static const std::vector<CompiledRegex> none;
    static const std::vector<CompiledRegex> uk =
        JsonValues::compileAll({std::string("^[^") + ukrainianLetters + "]+$"});
    return byLanguage(language, none, none, uk);
}

const std::vector<CompiledRegex>& defaultRarePatterns(Language language) {
    static const std::vector<CompiledRegex> none;
    static const std::vector<CompiledRegex> uk =
        JsonValues::compileAll({"^[бвгґджзйклмнпрстфхцчшщ]{4,}$", "ыэёъ"});
    return byLanguage(language, none, none, uk);
}

} // namespace LanguageDefaults

namespace {

// The snake_case key first; the camelCase alias only when the first is missing or mistyped.
template <typename Reader>
auto readAliased(const Json& entry, const char* snake, const char* camel, Reader&& read)
    -> decltype(read(static_cast<const Json*>(nullptr))) {
    if (auto value = read(JsonValues::member(entry, snake))) {
        return value;
    }
    return read(JsonValues::member(entry, camel));
}

std::vector<std::string> stringListOrEmpty(const Json& entry, const char* key) {
    return JsonValues::stringList(JsonValues::member(entry, key)).value_or(std::vector<std::string>{});
}

std::optional<const Json*> objectValue(const Json* value) {
    if (value != nullptr && value->is_object()) {
        return value;
    }
    return std::nullopt;
}

// A list of strings as a set of lower-cased words, read straight from the document (the common-word
// lists hold tens of thousands); anything but a list of strings gives the empty set.
WordSet lowerCasedWords(const Json* list) {
    if (list == nullptr || !list->is_array() ||
        !std::all_of(list->begin(), list->end(), [](const Json& element) { return element.is_string(); })) {
        return {};
    }
    std::size_t bytes = 0;
    for (const Json& element : *list) {
        bytes += element.get_ref<const std::string&>().size();
    }
    WordSet::Builder words(list->size(), bytes);
    for (const Json& element : *list) {
        words.insert(UnicodeText::toLower(element.get_ref<const std::string&>()));
    }
    return words.build();
}

// Patterns from the file; the built-in list only when the file gives no pattern to try.
std::vector<CompiledRegex> patternsOrDefault(const Json& entry, const char* key,
                                             const std::vector<CompiledRegex>& fallback) {
    auto patterns = JsonValues::stringList(JsonValues::member(entry, key));
    if (!patterns || patterns->empty()) {
        return fallback;
    }
    return JsonValues::compileAll(*patterns);
}

} // namespace

LanguageConfig parseLanguage(Language code, const Json& entry) {
    using namespace LanguageDefaults;
    LanguageConfig config;
    config.script = JsonValues::string(JsonValues::member(entry, "script")).value_or("");

    auto alphabet = readAliased(entry, "script_alphabet", "scriptAlphabet", JsonValues::string);
    config.scriptAlphabet = (alphabet && !alphabet->empty())
                                ? UnicodeText::characterSet(UnicodeText::toLower(*alphabet))
                                : defaultScriptAlphabet(code);

    config.vowels = JsonValues::characterSet(stringListOrEmpty(entry, "vowels"));
    if (config.vowels.empty()) {
        config.vowels = defaultVowels(code);
    }

    config.commonWords = lowerCasedWords(JsonValues::member(entry, "common_words"));
    config.phraseStartWords = JsonValues::lowerCasedSet(stringListOrEmpty(entry, "phrase_start_words"));
    config.strongWordStarts = stringListOrEmpty(entry, "strong_word_starts");
    config.weakWordStarts = stringListOrEmpty(entry, "weak_word_starts");
    config.strongWordEnds = stringListOrEmpty(entry, "strong_word_ends");
    config.weakWordEnds = stringListOrEmpty(entry, "weak_word_ends");
    for (std::string& s : stringListOrEmpty(entry, "strong_bigrams")) {
        config.strongBigrams.insert(std::move(s));
    }
    for (std::string& s : stringListOrEmpty(entry, "strong_trigrams")) {
        config.strongTrigrams.insert(std::move(s));
    }
    config.impossiblePatterns =
        patternsOrDefault(entry, "impossible_patterns", defaultImpossiblePatterns(code));
    config.rarePatterns = patternsOrDefault(entry, "rare_patterns", defaultRarePatterns(code));

    if (auto boosts = readAliased(entry, "common_suffix_boosts", "commonSuffixBoosts", objectValue)) {
        for (const auto& [suffix, value] : (*boosts)->items()) {
            if (auto boost = JsonValues::number(&value)) {
                config.commonSuffixBoosts.emplace_back(UnicodeText::toLower(suffix), *boost);
            }
        }
        std::stable_sort(config.commonSuffixBoosts.begin(), config.commonSuffixBoosts.end(),
                         [](const auto& a, const auto& b) {
                             return UnicodeText::length(a.first) > UnicodeText::length(b.first);
                         });
    }

    if (auto micro = readAliased(entry, "micro_dictionary", "microDictionary", JsonValues::stringList)) {
        config.microDictionary = JsonValues::lowerCasedSet(*micro);
    } else {
        config.microDictionary = defaultMicroDictionary(code);
    }

    auto bigrams = readAliased(entry, "bigram_log_weights", "bigramLogWeights", objectValue);
    if (!bigrams || (*bigrams)->empty()) {
        config.bigramLogWeights = defaultBigramLogWeights(code);
    } else {
        for (const auto& [bigram, value] : (*bigrams)->items()) {
            if (auto weight = JsonValues::number(&value)) {
                config.bigramLogWeights[UnicodeText::toLower(bigram)] = *weight;
            }
        }
    }

    config.unknownBigramWeight =
        readAliased(entry, "unknown_bigram_weight", "unknownBigramWeight", JsonValues::number)
            .value_or(config.unknownBigramWeight);
    config.ngramScoringScale =
        readAliased(entry, "ngram_scoring_scale", "ngramScoringScale", JsonValues::number)
            .value_or(config.ngramScoringScale);
    return config;
}

std::map<Language, LanguageConfig> parseLanguages(const Json& section) {
    std::map<Language, LanguageConfig> languages;
    if (!section.is_object()) {
        return languages;
    }
    for (const auto& [code, entry] : section.items()) {
        std::optional<Language> language = languageFromString(code);
        if (language && entry.is_object()) {
            languages.emplace(*language, parseLanguage(*language, entry));
        }
    }
    return languages;
}

} // namespace keyvane
