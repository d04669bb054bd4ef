// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/KeyMonitor.h"
#include "KeyvanePlatform/PendingSteps.h"
#include "KeyvanePlatform/Scheduler.h"

#include <functional>

namespace keyvane {

// A shortcut fires while its own Control (or Alt, Shift, Super) is still down: a BackSpace sent
// then reaches the application as Control+BackSpace, a letter as Control and the letter. What a
// shortcut types waits until the user has let go of them.
class ModifierRelease {
public:
    // Seconds a shortcut's keys may stay held before what it would type is dropped.
    static constexpr double limit = 3;

    ModifierRelease(KeyMonitor& keys, Scheduler& scheduler);

    // Runs `action` once no modifier is held (at once when none is), looking every 20 ms; drops it,
    // with a line in the log, when they are still held after `limit` seconds or when this is gone.
    void then(std::function<void()> action);

private:
    void poll(std::function<void()> action, double since);

    KeyMonitor& keys_;
    Scheduler& scheduler_;
    PendingSteps waiting_;
};

} // namespace keyvane
