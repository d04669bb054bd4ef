// SPDX-License-Identifier: GPL-3.0-or-later
// The first load of the shipped rules file in a fresh process, as at program start: reading the
// file, parsing the JSON and building the configuration and the engine, with none of the memory
// that later loads reuse. One iteration per process; run the program several times for a median.

#include "KeyvaneCore/AtomicFile.h"
#include "KeyvaneCore/RulesConfig.h"
#include "KeyvaneCore/RulesEngine.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

using namespace keyvane;

namespace {

void BM_FirstLoadOfShippedRulesFile(benchmark::State& state) {
    std::optional<nlohmann::json> document;
    std::unique_ptr<RulesEngine> engine;
    for (auto _ : state) {
        // As the program reads it: AtomicFile::read, then the JSON document.
        document = RulesConfig::decode(AtomicFile::read(KEYVANE_RULES_FILE).value());
        RulesConfig config = RulesConfig::parse(document.value());
        config.activeLanguages = {Language::en, Language::ru, Language::uk};
        engine = std::make_unique<RulesEngine>(std::move(config));
        benchmark::DoNotOptimize(engine);
    }
    // Freeing the document and the engine is not part of loading.
}
BENCHMARK(BM_FirstLoadOfShippedRulesFile)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
