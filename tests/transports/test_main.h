// Test entry of the transports: transports deliver their notifications through the Qt
// event loop of the main thread, so one application object lives for the whole run:
// a QCoreApplication (main.cpp), or with widgets a QApplication for the setup dialogs
// (gui/main.cpp). The platform defaults to offscreen so no display is needed.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

template <class Application>
int RunTransportTests(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
