// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvanePlatform/Registration.h"
#include "KeyvanePlatform/Scheduler.h"

#include <cstddef>
#include <functional>
#include <map>
#include <utility>

namespace keyvane {

// The steps one owner has waiting on the main loop, any number of them: each runs when due unless
// this goes first. An owner that keeps it as a member needs no guard against a step due after it
// is gone.
class PendingSteps {
public:
    explicit PendingSteps(Scheduler& scheduler)
        : scheduler_(scheduler) {}
    PendingSteps(const PendingSteps&) = delete;
    PendingSteps& operator=(const PendingSteps&) = delete;

    // Runs `step` after `delaySeconds`, unless this is gone first.
    void after(double delaySeconds, std::function<void()> step) {
        const unsigned long long id = nextID_++;
        handles_.emplace(id, scheduler_.schedule(delaySeconds, [this, id, step = std::move(step)] {
            handles_.erase(id); // spent
            step();
        }));
    }
    std::size_t size() const { return handles_.size(); }

private:
    Scheduler& scheduler_;
    std::map<unsigned long long, Registration> handles_;
    unsigned long long nextID_ = 0;
};

} // namespace keyvane
