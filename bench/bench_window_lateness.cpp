// How late the main window's event loop gets: a probe timer every 20 ms on the window's
// thread, its worst stall (the longest interval past its 20 ms) and mean lateness while
// the window polls the module simulator, after the module falls silent (the simulator
// stopped with SIGSTOP), while "Znovu připojit" tries to reopen the link, and during
// the ramp test ("Test", five values two seconds apart). Uses only what a user presses,
// so the same file measures any version of the window.
#include "app/uTesterApplication.h"
#include "app/ufMain.h"
#include "bench/bench_tester_windows.h"
#include "bench/bench_widgets.h"
#include "session/uValdrixSession.h"
#include "tests/support/child_processes.h"
#include "transports/uTransports.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <signal.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr int ProbeIntervalMs = 20;

enum class TCase { Polling, SilentModule, Reconnecting, RampTest };

// The probe: every interval it looks how much later than asked it runs.
class TLatenessProbe {
public:
    TLatenessProbe()
    {
        FTimer.setTimerType(Qt::PreciseTimer);
        FTimer.setInterval(ProbeIntervalMs);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            const double late = double(FClock.nsecsElapsed()) / 1e6 - ProbeIntervalMs;
            FClock.restart();
            Worst = std::max(Worst, late);
            Sum += std::max(late, 0.0);
            ++Count;
        });
    }
    void Start()
    {
        FClock.start();
        FTimer.start();
    }
    // The interval under way counts too: a loop that stood still to the end never fired.
    void Stop()
    {
        FTimer.stop();
        Worst = std::max(Worst, double(FClock.nsecsElapsed()) / 1e6 - ProbeIntervalMs);
    }

    double Worst = 0;
    double Sum = 0;
    int Count = 0;

private:
    QTimer FTimer;
    QElapsedTimer FClock;
};

void RunFor(std::chrono::milliseconds time)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < time.count()) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

void WindowLateness(benchmark::State& state, TCase which)
{
    BenchWidgetsApp();
    RegisterTransports();
    TSimulator sim;
    QTemporaryDir dir;
    const TConfigFile config = SavedConfiguration(dir, sim.Connection());
    bool stopped = false;
    {
        TTesterWindows windows(config);
        TfrmMain& window = windows.Main();
        window.show();
        window.findChild<QCheckBox*>(QStringLiteral("chkReconnect"))->setChecked(which == TCase::Reconnecting);
        if (!ConnectMainWindow(window)) {
            state.SkipWithError("the main window did not connect to the simulator");
        } else {
            RunFor(std::chrono::seconds(1)); // settle into the rotation
            // The steps the window drew meanwhile: proof that it was busy while probed.
            int drawn = 0;
            QObject::connect(&window.Session(), &TValdrixSession::Polled, &window, [&drawn] { ++drawn; });
            TLatenessProbe probe;
            for (auto _ : state) {
                probe.Start();
                switch (which) {
                case TCase::Polling: RunFor(std::chrono::seconds(5)); break;
                case TCase::SilentModule:
                case TCase::Reconnecting:
                    stopped = ::kill(sim.Pid(), SIGSTOP) == 0;
                    RunFor(std::chrono::seconds(which == TCase::SilentModule ? 4 : 9));
                    break;
                case TCase::RampTest:
                    window.findChild<QPushButton*>(QStringLiteral("btnDA1Test"))->click();
                    RunFor(std::chrono::seconds(9));
                    break;
                }
                probe.Stop();
            }
            state.counters["worst_stall_ms"] = probe.Worst;
            state.counters["mean_lateness_ms"] = probe.Count ? probe.Sum / probe.Count : 0;
            state.counters["steps_drawn"] = drawn;
        }
        if (stopped) ::kill(sim.Pid(), SIGCONT);
    }
    UnregisterTransports();
}
BENCHMARK_CAPTURE(WindowLateness, polling, TCase::Polling)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
BENCHMARK_CAPTURE(WindowLateness, silent_module, TCase::SilentModule)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(WindowLateness, reconnecting, TCase::Reconnecting)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(WindowLateness, ramp_test, TCase::RampTest)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return RunTesterBenchmarks(argc, argv);
}
