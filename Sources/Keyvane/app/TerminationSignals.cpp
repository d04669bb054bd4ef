// SPDX-License-Identifier: GPL-3.0-or-later
#include "Keyvane/app/TerminationSignals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace keyvane {
namespace {

// One pipe for the process: signals are process-wide. Written by the handler, read by the loop.
int pipeEnds[2] = {-1, -1};
constexpr std::array<int, 3> handledSignals = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Nothing else is safe in a handler; a full pipe already has a wake-up waiting.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals() = default;

TerminationSignals::~TerminationSignals() {
    if (notifier_) {
        for (int signal : handledSignals) {
            std::signal(signal, SIG_DFL);
        }
    }
}

bool TerminationSignals::install(std::function<void()> onSignalCallback) {
    if (pipeEnds[0] < 0 && ::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeEnds[0] = pipeEnds[1] = -1;
        return false;
    }
    onSignal_ = std::move(onSignalCallback);
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        ssize_t count = 0;
        while ((count = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) {
            for (ssize_t i = 0; i < count; ++i) {
                if (onSignal_) {
                    onSignal_();
                }
            }
        }
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : handledSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    return true;
}

} // namespace keyvane
