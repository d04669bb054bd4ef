// SPDX-License-Identifier: GPL-3.0-or-later
// Termination signals reach the event loop without a timer that polls for them.

#include "Keyvane/app/TerminationSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <gtest/gtest.h>

using namespace keyvane;

TEST(TerminationSignals, EachSignalIsHandledInTheEventLoopAndTheProgramLivesOn) {
    char name[] = "KeyvaneApplicationTests";
    char* argv[] = {name, nullptr};
    int argc = 1;
    QCoreApplication app(argc, argv);
    TerminationSignals termination;
    int received = 0;
    ASSERT_TRUE(termination.install([&] { ++received; }));
    std::raise(SIGTERM);
    std::raise(SIGHUP); // the session ends
    EXPECT_EQ(received, 0) << "nothing runs inside the signal handler itself";
    QElapsedTimer deadline;
    deadline.start();
    while (received < 2 && deadline.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    EXPECT_EQ(received, 2);
}
