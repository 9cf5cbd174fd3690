// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "support/desktop/TestDesktop.h"

#include <QGuiApplication>
#include <QTest>

#include <cstdio>

// Runs the test class on the xcb platform of a private Xvfb; skips when none can start. The
// display exists before the application, which connects to it on construction.
#define KORVANE_XVFB_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        korvane::test::TestDesktop desktop;                                                        \
        QString whyNot;                                                                            \
        if (!desktop.startDisplay(&whyNot)) {                                                      \
            std::printf("SKIP: %s\n", qPrintable(whyNot));                                         \
            return 0;                                                                              \
        }                                                                                          \
        qputenv("QT_QPA_PLATFORM", "xcb");                                                         \
        QGuiApplication app(argc, argv);                                                           \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
