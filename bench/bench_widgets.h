// The application object of the benchmarks that draw windows, on the offscreen platform
// unless another is chosen; made on first use and never destroyed: destroying it among
// the exit handlers, after Qt's own statics are gone, crashed the trend benchmark.
#pragma once

#include <QApplication>

inline QApplication& BenchWidgetsApp()
{
    static int argc = 1;
    static char name[] = "valdrix-bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
