// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/Registration.h"

#include <functional>
#include <memory>
#include <utility>

namespace keyvane {

// Time and delayed steps on the main loop. All calls and steps happen on the main thread.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Seconds on a clock that only goes forward.
    virtual double now() = 0;
    // Runs `step` on the main loop after `delaySeconds`, unless the handle goes first: an owner
    // that keeps the handles of its waiting steps as members needs no guard against a step due
    // after it is gone.
    virtual Registration schedule(double delaySeconds, std::function<void()> step) = 0;

protected:
    // For a loop that cannot take back a step once given: `run` goes to the loop, and does
    // nothing once `handle` is gone.
    struct CancellableStep {
        std::function<void()> run;
        Registration handle;
    };
    static CancellableStep cancellable(std::function<void()> step) {
        auto waiting = std::make_shared<std::function<void()>>(std::move(step));
        return {[waiting] {
                    if (auto due = std::exchange(*waiting, nullptr)) {
                        due();
                    }
                },
                Registration([weak = std::weak_ptr<std::function<void()>>(waiting)] {
                    if (auto cancelled = weak.lock()) {
                        *cancelled = nullptr;
                    }
                })};
    }
};

} // namespace keyvane
