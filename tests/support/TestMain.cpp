// SPDX-License-Identifier: GPL-3.0-or-later
// One main for every test executable: widget tests need a QApplication,
// the others a QCoreApplication (event loop for queued calls and timers).
#include <QApplication>
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QCoreApplication> app;
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
