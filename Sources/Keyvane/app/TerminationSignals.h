// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class QSocketNotifier;

namespace keyvane {

// SIGINT, SIGTERM and SIGHUP (the session ending) turned into a call from the event loop. The
// signal handler only writes a byte to a pipe the loop watches, so the program sleeps until a
// signal comes instead of polling for one.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Installs the handlers; `onSignal` runs in the event loop, once per signal received. False
    // (and the default handling left in place) when no pipe can be made.
    bool install(std::function<void()> onSignal);

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onSignal_;
};

} // namespace keyvane
