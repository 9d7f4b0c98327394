// What the benchmarks of the tester's windows share: connecting the main window as a
// user does, and running the benchmarks with the tester's configuration in a private
// folder.
#pragma once

#include "app/ufMain.h"
#include "bench/bench_support.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

// A configuration in the folder whose saved main connection string is `connection`.
inline TConfigFile SavedConfiguration(const QTemporaryDir& dir, const std::string& connection)
{
    const TConfigFile config(dir.filePath(QStringLiteral("program")), dir.filePath(QStringLiteral("user")));
    QDir().mkpath(config.ProgramFolder());
    config.Save({connection, ""});
    return config;
}

// Presses "Připojit" and confirms the connection dialog (it shows the saved connection
// string) as it runs; true once the window reports the link, within 10 s.
inline bool ConnectMainWindow(TfrmMain& window)
{
    QTimer confirm;
    confirm.setInterval(10);
    QObject::connect(&confirm, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
    });
    confirm.start();
    window.btnConnectClick();
    confirm.stop();
    QElapsedTimer clock;
    clock.start();
    while (!window.Connected() && clock.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    return window.Connected();
}

// Runs the benchmarks with the built programs and a private configuration folder.
inline int RunTesterBenchmarks(int argc, char** argv)
{
    UseBuiltPrograms();
    char pattern[] = "/tmp/valdrix-bench-tester-XXXXXX";
    const std::string folder = ::mkdtemp(pattern);
    ::setenv("VALDRIX_CONFIG_DIR", folder.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(folder);
    return 0;
}
