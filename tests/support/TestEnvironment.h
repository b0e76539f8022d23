#pragma once

#include "support/BoxAnswerer.h"

#include <QApplication>
#include <QString>
#include <QtTest>

namespace TestSupport {

// Points HOME, the XDG folders and TMPDIR at a fresh temporary folder and makes its "work" subfolder the
// working directory, so that no test touches the real home directory. Called before the application object
// exists, since Qt reads these variables once.
void prepareEnvironment();

// The temporary root made by prepareEnvironment() and the working directory inside it.
QString rootDir();
QString workDir();

// Removes the temporary root; called at exit of the test executable.
void cleanupEnvironment();

} // namespace TestSupport

#define QUORVEL_TEST_MAIN(TestObject)                                                                                  \
    int main(int argc, char* argv[])                                                                                   \
    {                                                                                                                  \
        TestSupport::prepareEnvironment();                                                                             \
        int result = 0;                                                                                                \
        {                                                                                                              \
            QApplication app(argc, argv);                                                                              \
            app.setAttribute(Qt::AA_Use96Dpi, true);                                                                   \
            TestSupport::failOnUnexpectedBoxes();                                                                      \
            TestObject tc;                                                                                             \
            QTEST_SET_MAIN_SOURCE_PATH                                                                                 \
            result = QTest::qExec(&tc, argc, argv);                                                                    \
        }                                                                                                              \
        TestSupport::cleanupEnvironment();                                                                             \
        return result;                                                                                                 \
    }
