// The application object of the benchmarks that draw windows, on the offscreen platform
// unless another is chosen; made on first use and kept to the end of the program.
#pragma once

#include <QApplication>

inline QApplication& BenchWidgetsApp()
{
    static int argc = 1;
    static char name[] = "valdrix-bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}
