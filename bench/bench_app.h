// The application object of the benchmarks that run Qt's event loop (socket and serial
// notifications), made on first use and kept to the end of the program.
#pragma once

#include <QCoreApplication>

inline QCoreApplication& BenchApp()
{
    static int argc = 1;
    static char name[] = "valdrix-bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}
