// SPDX-License-Identifier: GPL-3.0-or-later
// Loading the shipped rules file, and rendering words through a keyboard map, the two costs
// of the text model that users feel: start-up and every word typed.

#include "KeyvaneCore/KeyboardMaps.h"
#include "KeyvaneCore/RulesConfig.h"

#include <benchmark/benchmark.h>
#include <fstream>
#include <sstream>

using namespace keyvane;

namespace {

std::string shippedRulesText() {
    std::ifstream in(KEYVANE_RULES_FILE);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void BM_LoadShippedRulesFile(benchmark::State& state) {
    const std::string text = shippedRulesText();
    for (auto _ : state) {
        auto document = RulesConfig::decode(text);
        RulesConfig config = RulesConfig::parse(document.value());
        benchmark::DoNotOptimize(config);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_LoadShippedRulesFile)->Unit(benchmark::kMillisecond);

// Words of all three languages and both scripts, correct and mistyped.
const std::vector<std::pair<std::string, LayoutDirection>>& sampleWords() {
    static const std::vector<std::pair<std::string, LayoutDirection>> words = {
        {"ghbdtn", {Language::en, Language::ru}}, {"Cgfcb,j", {Language::en, Language::ru}},
        {"hello", {Language::en, Language::ru}},  {"ghbdsn", {Language::en, Language::uk}},
        {"lzre.", {Language::en, Language::uk}},  {"Understanding", {Language::en, Language::uk}},
        {"привет", {Language::ru, Language::en}}, {"Здравствуйте", {Language::ru, Language::en}},
        {"съешь", {Language::ru, Language::uk}},  {"руддщ", {Language::uk, Language::en}},
        {"м'ята", {Language::uk, Language::en}},  {"їжак", {Language::uk, Language::ru}},
    };
    return words;
}

void BM_MapTokenPerWord(benchmark::State& state) {
    RulesConfig config = RulesConfig::parse(RulesConfig::decode(shippedRulesText()).value());
    const auto& words = sampleWords();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& [word, direction] = words[i++ % words.size()];
        std::string out = KeyboardMaps::mapToken(word, config.keyboardLayout.maps.at(direction),
                                                 config.keyboardLayout.shiftMaps.at(direction));
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_MapTokenPerWord);

void BM_PreserveCasePerWord(benchmark::State& state) {
    const auto& words = sampleWords();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& word = words[i++ % words.size()].first;
        std::string out = KeyboardMaps::preserveCase(word, "замена");
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_PreserveCasePerWord);

} // namespace

BENCHMARK_MAIN(); // one main for every benchmark file of this program
