// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace keyvane {

// Time and delayed steps on the main loop. All calls and steps happen on the main thread.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Seconds on a clock that only goes forward.
    virtual double now() = 0;
    // Runs `step` on the main loop after `delaySeconds`.
    virtual void schedule(double delaySeconds, std::function<void()> step) = 0;
};

} // namespace keyvane
