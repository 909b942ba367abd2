#include <gtest/gtest.h>

#include "TestHome.h"

#ifdef NABBIT_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

// Shared main of the test programs: a fresh home first (before Qt or any shared instance
// looks at the environment), then the Qt application object that event loops, timers and
// file watches need.
int main(int argc, char** argv) {
    nabbit::test::useFreshHome();
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
