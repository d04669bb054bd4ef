// SPDX-License-Identifier: GPL-3.0-or-later
// The services talk over the network from Qt's event loop: the tests run with an application
// object, and wait for results with a deadline.

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
