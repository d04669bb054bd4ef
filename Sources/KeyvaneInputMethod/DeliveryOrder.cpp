// SPDX-License-Identifier: GPL-3.0-or-later
#include "KeyvaneInputMethod/DeliveryOrder.h"

#include <algorithm>

namespace keyvane {

DeliveryOrder::DeliveryOrder(std::function<double()> now,
                             std::function<void(double, std::function<void()>)> schedule, double gap)
    : now_(std::move(now))
    , schedule_(std::move(schedule))
    , gap_(gap) {}

double DeliveryOrder::waitFor(Way way) const {
    if (later_) {
        return 1e9; // until the next turn, which drains
    }
    if (way == Way::replay || way == Way::release) {
        return std::max(0.0, lastAt_ + spacing_ - now_());
    }
    const double own = way == Way::usersKey ? 0 : lastOwnAt_ + ownSpacing_ - now_();
    way = way == Way::usersKey ? Way::key : way;
    double needed = std::max(way != lastWay_ ? gap_ : 0, spacing_);
    if (way == Way::text && fieldTells_ && keysUntold_ > 0) {
        needed = std::max(needed, fieldWait);
    }
    return std::max({0.0, lastAt_ + needed - now_(), own});
}

bool DeliveryOrder::mustWait(Way way) const {
    return waitFor(way) > 0;
}

void DeliveryOrder::send(Way way, std::function<void()> step) {
    if (replaying_) {
        // What a held key brings about goes before the keys held after it.
        waiting_.insert(waiting_.begin() + static_cast<std::ptrdiff_t>(insertAt_++),
                        Step{way, std::move(step)});
        return; // the drain that runs the replay goes on with it
    }
    if (waiting_.empty() && !draining_ && (flushing_ || !mustWait(way))) {
        runStep(Step{way, std::move(step)});
        return;
    }
    waiting_.push_back(Step{way, std::move(step)});
    drain();
}

void DeliveryOrder::went(Way way) {
    way = way == Way::usersKey ? Way::key : way;
    if (way == Way::release || way == Way::replay) {
        if (spacing_ > 0) {
            lastAt_ = now_(); // the way it went is whatever comes of it
        }
        return;
    }
    if (way == Way::key) {
        keysUntold_ = ownSpacing_ > 0 ? keysUntold_ + 1 : 1;
    } else if (way == Way::text && ownSpacing_ > 0) {
        ++keysUntold_; // GNOME Shell: the next text waits until the field took this one
    }
    lastWay_ = way;
    lastAt_ = now_();
}

void DeliveryOrder::later() {
    if (later_) {
        return;
    }
    later_ = true;
    schedule_(0, [this] {
        later_ = false;
        drain();
    });
}

void DeliveryOrder::fieldTold() {
    if (keysUntold_ == 0) {
        return;
    }
    --keysUntold_;
    if (!waiting_.empty() && !draining_) {
        drain(); // what waited for it may go now, or after the gap
    }
}

void DeliveryOrder::runStep(Step step) {
    step.run();
    went(step.way);
    if (step.way == Way::key || step.way == Way::text) {
        lastOwnAt_ = now_();
    }
}

void DeliveryOrder::drain() {
    if (draining_) {
        return;
    }
    draining_ = true;
    while (!waiting_.empty()) {
        if (!flushing_ && mustWait(waiting_.front().way)) {
            const double wait = std::max(0.001, waitFor(waiting_.front().way));
            if (!later_ && (!timerAt_ || now_() + wait < *timerAt_)) {
                timerAt_ = now_() + wait; // a timer set for later, if any, finds nothing to do
                schedule_(wait, [this] {
                    timerAt_.reset();
                    drain();
                });
            }
            break;
        }
        Step step = std::move(waiting_.front());
        waiting_.pop_front();
        if (step.way == Way::replay) {
            replaying_ = true;
            insertAt_ = 0;
            step.run();
            replaying_ = false;
            went(Way::replay);
        } else {
            runStep(std::move(step));
        }
    }
    draining_ = false;
}

void DeliveryOrder::flush() {
    flushing_ = true;
    drain();
    flushing_ = false;
}

void DeliveryOrder::clear() {
    waiting_.clear();
    keysUntold_ = 0;
}

} // namespace keyvane
