// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of deciding one typed word with the shipped rules file, over a fixed sample of real
// English, Russian and Ukrainian words, each typed correctly and on the wrong layout.

#include "KeyvaneCore/LineLanguageEvidence.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"
#include "KeyvaneCore/UnicodeText.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <sstream>

using namespace keyvane;

namespace {

std::string readFile(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> sampleWords() {
    std::vector<std::string> words;
    std::istringstream in(readFile(KEYVANE_BENCHMARK_WORDS));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) {
            words.push_back(line);
        }
    }
    return words;
}

RulesEngine shippedEngine() {
    RulesConfig config = RulesConfig::parse(RulesConfig::decode(readFile(KEYVANE_RULES_FILE)).value());
    config.activeLanguages = {Language::en, Language::ru, Language::uk};
    config.useShippedVocabularies();
    return RulesEngine(std::move(config));
}

// Mean cost per word over the whole sample.
void BM_EvaluatePerWord(benchmark::State& state) {
    RulesEngine engine = shippedEngine();
    const std::vector<std::string> words = sampleWords();
    std::size_t i = 0;
    for (auto _ : state) {
        RulesDecision d = engine.evaluate(words[i++ % words.size()], "org.example.editor", false,
                                          std::nullopt, std::nullopt);
        benchmark::DoNotOptimize(d);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_EvaluatePerWord);

// The distribution over words: each word's cost is its fastest of several passes (which removes
// scheduler noise); the counters give the median, the 99th percentile and the slowest word.
void BM_EvaluateDistribution(benchmark::State& state) {
    RulesEngine engine = shippedEngine();
    const std::vector<std::string> words = sampleWords();
    std::vector<double> best(words.size(), 1e9);
    for (auto _ : state) {
        for (std::size_t w = 0; w < words.size(); ++w) {
            auto start = std::chrono::steady_clock::now();
            RulesDecision d = engine.evaluate(words[w], "", false, std::nullopt, std::nullopt);
            auto micros =
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
            benchmark::DoNotOptimize(d);
            best[w] = std::min(best[w], micros);
        }
    }
    std::vector<double> sorted = best;
    std::sort(sorted.begin(), sorted.end());
    state.counters["words"] = static_cast<double>(words.size());
    state.counters["median_us"] = sorted[sorted.size() / 2];
    state.counters["p99_us"] = sorted[sorted.size() * 99 / 100];
    state.counters["max_us"] = sorted.back();
    auto slowest = std::max_element(best.begin(), best.end()) - best.begin();
    state.SetLabel("slowest: " + words[static_cast<std::size_t>(slowest)]);
}
BENCHMARK(BM_EvaluateDistribution)->Iterations(5)->Unit(benchmark::kMillisecond);

// A word as the live program handles it: evaluated with the language of its line, then recorded
// as evidence for the next one (the sample read as lines of eight words).
void BM_EvaluateWithLineEvidence(benchmark::State& state) {
    RulesEngine engine = shippedEngine();
    const std::vector<std::string> words = sampleWords();
    LineLanguageEvidence line;
    std::size_t i = 0;
    for (auto _ : state) {
        if (i % 8 == 0) {
            line.newLine();
        }
        const std::string& word = words[i++ % words.size()];
        RulesDecision d =
            engine.evaluate(word, "org.example.editor", false, std::nullopt, std::nullopt, line.context());
        line.recordWord(engine, word, d);
        benchmark::DoNotOptimize(d);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_EvaluateWithLineEvidence);

// One known-word test of the full vocabulary (the Ukrainian trie, the largest), over the sample's
// words lower-cased: hits and misses alike.
void BM_VocabularyLookup(benchmark::State& state) {
    RulesConfig config = RulesConfig::parse(RulesConfig::decode(readFile(KEYVANE_RULES_FILE)).value());
    config.useShippedVocabularies();
    const LanguageConfig& uk = config.languages.at(Language::uk);
    if (!uk.vocabulary) {
        state.SkipWithError("no Ukrainian vocabulary built");
        return;
    }
    std::vector<std::string> words;
    for (const std::string& word : sampleWords()) {
        words.push_back(UnicodeText::toLower(word));
    }
    std::size_t i = 0;
    long long found = 0;
    for (auto _ : state) {
        found += uk.vocabulary->contains(words[i++ % words.size()]) ? 1 : 0;
    }
    benchmark::DoNotOptimize(found);
    state.counters["hit_share"] = static_cast<double>(found) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_VocabularyLookup);

void BM_DiagnosePerWord(benchmark::State& state) {
    RulesEngine engine = shippedEngine();
    const std::vector<std::string> words = sampleWords();
    std::size_t i = 0;
    for (auto _ : state) {
        RulesDiagnostic d = engine.diagnose(words[i++ % words.size()], "", false, std::nullopt);
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_DiagnosePerWord);

} // namespace
