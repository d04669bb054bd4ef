// SPDX-License-Identifier: GPL-3.0-or-later
// The cost that the key observer adds to every key press: translation through the active layout,
// the password-field check and one token-buffer step, on the in-memory desktop.

#include "Keyvane/correction/InputObserver.h"
#include "KeyvanePlatform/fake/FakePlatform.h"

#include <benchmark/benchmark.h>

using namespace keyvane;

namespace {

// Arguments: the active layout; whether each key first asks if a password field has the focus,
// as the coordinator has the observer do.
void BM_KeyPressIntoTokenBuffer(benchmark::State& state) {
    FakePlatform platform;
    platform.setLayouts(FakePlatform::standardLayouts(), static_cast<std::size_t>(state.range(0)));
    std::size_t words = 0;
    InputObserver observer(platform, [&](const EmittedToken&) { ++words; });
    if (state.range(1) != 0) {
        observer.setKeysOffLimits([&] { return platform.focusedField() == FocusedField::password; });
    }
    observer.start();
    const std::uint16_t keys[] = {KeyCode::g, KeyCode::h, KeyCode::b,    KeyCode::d,
                                  KeyCode::t, KeyCode::n, KeyCode::space}; // "ghbdtn "
    std::size_t i = 0;
    for (auto _ : state) {
        platform.pressKey(keys[i++ % 7]);
    }
    benchmark::DoNotOptimize(words);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_KeyPressIntoTokenBuffer)->Args({0, 0})->Args({1, 0})->Args({0, 1})->Args({1, 1});

} // namespace
