// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/correction/LearningWrites.h"

#include "Keyvane/app/AppLog.h"

namespace keyvane {

using Change = ManualOverridesFile::Change;

LearningWrites::LearningWrites(Scheduler& scheduler)
    : scheduler_(scheduler) {}

LearningWrites::~LearningWrites() {
    if (!waiting_.empty()) {
        appLog("[Keyvane] Learning: " + std::to_string(waiting_.size()) +
               " change(s) not saved (the overrides stayed busy until the end)");
    }
}

void LearningWrites::submit(Write write, Done done) {
    if (waiting_.empty()) {
        const Change change = write();
        if (change != Change::busy) {
            done(change);
            return;
        }
    }
    waiting_.push_back(Pending{std::move(write), std::move(done), 1});
    retryLater();
}

void LearningWrites::retryLater() {
    if (scheduled_) {
        return;
    }
    scheduled_ = true;
    nextTry_ = scheduler_.schedule(retrySeconds, [this] {
        scheduled_ = false;
        retry();
    });
}

void LearningWrites::retry() {
    while (!waiting_.empty()) {
        Pending& next = waiting_.front();
        const Change change = next.write();
        ++next.tries;
        if (change == Change::busy && next.tries < mostTries) {
            retryLater();
            return;
        }
        if (change == Change::busy) {
            appLog("[Keyvane] Learning: the overrides stayed busy for five minutes; the change is dropped");
        }
        Done done = std::move(next.done);
        waiting_.pop_front();
        done(change);
    }
}

} // namespace keyvane
