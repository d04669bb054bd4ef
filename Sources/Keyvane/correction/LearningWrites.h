// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "KeyvaneCore/ManualOverridesFile.h"
#include "KeyvanePlatform/Scheduler.h"

#include <deque>
#include <functional>

namespace keyvane {

// What learning writes into the overrides, never waiting on the event loop for another process
// that holds their lock (the settings window of another copy, a backup tool): a write that finds
// the file busy is kept and tried again every second, in the order given, for up to five minutes.
class LearningWrites {
public:
    using Write = std::function<ManualOverridesFile::Change()>;
    using Done = std::function<void(ManualOverridesFile::Change)>;

    explicit LearningWrites(Scheduler& scheduler);
    ~LearningWrites();
    LearningWrites(const LearningWrites&) = delete;
    LearningWrites& operator=(const LearningWrites&) = delete;

    // Writes now, or (behind writes still waiting, or while the file is busy) later; `done` is told
    // how it went once it has gone one way or the other (`busy` when it was given up).
    void submit(Write write, Done done);
    std::size_t waiting() const { return waiting_.size(); }

    static constexpr double retrySeconds = 1.0;
    static constexpr int mostTries = 300;

private:
    struct Pending {
        Write write;
        Done done;
        int tries = 0;
    };
    void retryLater();
    void retry();

    Scheduler& scheduler_;
    std::deque<Pending> waiting_;
    bool scheduled_ = false;
    Registration nextTry_; // a retry due after this is gone never runs
};

} // namespace keyvane
