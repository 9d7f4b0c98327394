// The tester's windows on the offscreen platform: how long a process takes from its
// start to the first paint of the tester's main window, next to the same for an empty
// window; and how many full polling rotations per second the main window makes against
// the module simulator (nominally five: a 40 ms timer, five steps per rotation), also
// with the trend window open.
#include "app/uTesterApplication.h"
#include "app/ufMain.h"
#include "bench/bench_support.h"
#include "bench/bench_tester_windows.h"
#include "bench/bench_widgets.h"
#include "device/uValdrixCodec.h"
#include "framework/uci_SpySink.h"
#include "protocol/uTarvel97.h"
#include "tests/support/child_processes.h"
#include "transports/uTransports.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace {

constexpr const char* ShowTesterSwitch = "--show-tester";
constexpr const char* ShowEmptySwitch = "--show-empty-window";

// Reports the first paint of the watched window on standard output and ends the process
// there, without the teardown.
class TFirstPaint : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Paint) return false;
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
        std::_Exit(0);
    }
};

// The child process: the tester's start-up up to its main window, or an empty window.
int ShowFirstWindow(int argc, char** argv, bool tester)
{
    TFirstPaint watch;
    if (!tester) {
        QApplication app(argc, argv);
        QWidget window;
        window.installEventFilter(&watch);
        window.show();
        return QApplication::exec();
    }
    TTesterApplication app(argc, argv);
    RegisterTransports();
    TTesterWindows windows(TConfigFile::ForProgram());
    windows.Main().installEventFilter(&watch);
    windows.Main().show();
    return QApplication::exec();
}

void StartupToFirstPaint(benchmark::State& state, const char* mode)
{
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        TRunningProgram child(self, {mode});
        if (child.ReadLine(std::chrono::seconds(30)) != "painted") {
            state.SkipWithError("no window was painted");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK_CAPTURE(StartupToFirstPaint, tester, ShowTesterSwitch)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartupToFirstPaint, empty_window, ShowEmptySwitch)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Counts the requests going out, and the rotations: each one polls the thermometers once.
// The sink installed before (the log window's) still gets the traffic.
class TRotationCounter {
public:
    TRotationCounter() : FPrevious(GetSpySink()) { SetSpySink(TSpySink::Bind<&TRotationCounter::OnTraffic>(this)); }
    ~TRotationCounter() { SetSpySink(FPrevious); }

    void OnTraffic(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
    {
        if (FPrevious) FPrevious(intf, bytes, direction);
        if (direction != SpyDirectionSent) return;
        ++Requests;
        std::string packet = bytes;
        TTarvelFormat97 request;
        if (FindTarvel97Packet(packet, request, false) && request.Inst == VALDRIX_GET_TEMPERATURES) ++Rotations;
    }

    std::atomic<int64_t> Requests{0};
    std::atomic<int64_t> Rotations{0};

private:
    TSpySink FPrevious;
};

// Runs an event loop for about the given time; returns the seconds it ran. A loop of its
// own: quitting the application's loop would close the windows.
double RunEventLoop(std::chrono::milliseconds time)
{
    const auto start = std::chrono::steady_clock::now();
    QEventLoop loop;
    QTimer::singleShot(time, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Argument 1: with the trend window open, redrawing once a second.
void BM_MainWindowRotations(benchmark::State& state)
{
    BenchWidgetsApp();
    RegisterTransports();
    TSimulator sim;
    QTemporaryDir dir;
    const TConfigFile config = SavedConfiguration(dir, sim.Connection());
    {
        TTesterWindows windows(config);
        windows.Main().show();
        if (!ConnectMainWindow(windows.Main())) {
            state.SkipWithError("the main window did not connect to the simulator");
        } else {
            if (state.range(0) != 0) windows.Main().btnTrendClick();
            RunEventLoop(std::chrono::seconds(1)); // settle into the rotation
            TRotationCounter counter;
            double seconds = 0;
            for (auto _ : state) seconds = RunEventLoop(std::chrono::seconds(5));
            state.counters["rotations_per_s"] = double(counter.Rotations) / seconds;
            state.counters["requests_per_s"] = double(counter.Requests) / seconds;
        }
    }
    UnregisterTransports();
}
BENCHMARK(BM_MainWindowRotations)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

// Also the child process of the start-up benchmarks, chosen by its one argument.
int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc == 2 && std::string_view(argv[1]) == ShowTesterSwitch) return ShowFirstWindow(argc, argv, true);
    if (argc == 2 && std::string_view(argv[1]) == ShowEmptySwitch) return ShowFirstWindow(argc, argv, false);
    return RunTesterBenchmarks(argc, argv);
}
