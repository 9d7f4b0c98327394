// Test entry of the transports: transports deliver their notifications through the Qt
// event loop of the main thread, so one application object lives for the whole run.
// Builds with widgets get a QApplication (setup dialogs); core-only builds a
// QCoreApplication. The platform defaults to offscreen so no display is needed.
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef QT_WIDGETS_LIB
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QCoreApplication>
using TTestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TTestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
