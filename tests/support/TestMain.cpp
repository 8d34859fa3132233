// Test entry: a Qt application object exists for the whole run so that
// timers and queued calls work. Suites of the window layer get a QApplication
// on the offscreen platform; headless suites get a QCoreApplication.
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef OSTARA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
