// SPDX-License-Identifier: GPL-3.0-or-later
// A day of typing on the in-memory desktop: 10,000 words through the coordinator, most of them
// typed in the wrong layout and corrected. The heap in use after the first 1,000 words and after
// all of them shows whether anything grows with use (run it under AddressSanitizer's leak checker
// too: a leak is reported at exit).

#include "../Tests/TempHome.h"
#include "Keyvane/correction/AppState.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

using namespace keyvane;

namespace {

double heapInUseMB() {
    ::malloc_trim(0);
    return static_cast<double>(::mallinfo2().uordblks) / (1024.0 * 1024.0);
}

void BM_TenThousandWordsThroughTheCoordinator(benchmark::State& state) {
    keyvane::testing::TempHome home;
    home.write(".local/share/keyvane/user_preferences.json", R"({"active_languages": ["en", "ru", "uk"]})");
    FakePlatform platform;
    platform.activate({"org.example.editor", "Editor", std::nullopt, ""});
    std::unique_ptr<AppState> app = AppState::create(platform);
    app->startObserving();
    // "ghbdtn " (corrected), "hello " (left alone), "vbh " (corrected), "z " + "nt,z " (one-letter pair).
    const std::vector<std::vector<std::uint16_t>> words = {
        {KeyCode::g, KeyCode::h, KeyCode::b, KeyCode::d, KeyCode::t, KeyCode::n, KeyCode::space},
        {KeyCode::h, KeyCode::e, KeyCode::l, KeyCode::l, KeyCode::o, KeyCode::space},
        {KeyCode::v, KeyCode::b, KeyCode::h, KeyCode::space},
        {KeyCode::z, KeyCode::space, KeyCode::n, KeyCode::t, KeyCode::comma, KeyCode::z, KeyCode::space},
    };
    double afterFirstThousand = 0;
    int corrected = 0;
    double afterAll = 0;
    for (auto _ : state) {
        for (int word = 0; word < 10000; ++word) {
            platform.setLayouts(FakePlatform::standardLayouts(), 0);
            for (std::uint16_t key : words[static_cast<std::size_t>(word) % words.size()]) {
                platform.pressKey(key);
            }
            platform.advance(2.0);
            // The fake desktop's own records of what was typed and selected are not the program's.
            corrected += platform.posted.empty() ? 0 : 1;
            platform.posted.clear();
            platform.selectedLayouts.clear();
            if (word % 100 == 99) {
                platform.click(); // the text field is left now and then, as people do
            }
            if (word == 999) {
                afterFirstThousand = heapInUseMB();
            }
        }
        afterAll = heapInUseMB();
    }
    state.counters["heap_after_1k_MB"] = afterFirstThousand;
    state.counters["heap_after_10k_MB"] = afterAll;
    state.counters["words_corrected"] = corrected;
    state.counters["growth_kB"] = (afterAll - afterFirstThousand) * 1024.0;
}
BENCHMARK(BM_TenThousandWordsThroughTheCoordinator)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
