// Appending traffic to the log window: 10 000 packets queued from a transport thread's
// point of view and printed by one timer tick, into an empty view and into a view that
// already holds 100 000 lines, its bound, so that every new line pushes out the oldest
// (the state of a log left open for a day). The redraw that follows the tick is included.
#include "bench/bench_widgets.h"
#include "framework/gui/ufCILog.h"
#include "protocol/uTarvel97.h"
#include "tests/framework/ci_test_transport.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

constexpr int PacketsPerTick = 10000;

// Fills the view with lines as earlier ticks would have left them.
void Prefill(QPlainTextEdit* view, int lines)
{
    const QString text = HexBytes(BuildTarvel97Packet(0x31, 1, 0x00, "prefilled"));
    QTextCursor block(view->document());
    block.beginEditBlock();
    for (int i = 0; i < lines; ++i) AppendLogLine(view, text, 0xFF0000, false, 46363.5, false);
    block.endEditBlock();
}

// Removes the lines after the first `keep`, so every iteration starts from the same view.
void TrimTo(QPlainTextEdit* view, int keep)
{
    QTextCursor cursor(view->document());
    if (keep == 0) {
        view->clear();
        return;
    }
    cursor.setPosition(view->document()->findBlockByNumber(keep - 1).position());
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void BM_LogTick10000Packets(benchmark::State& state)
{
    BenchWidgetsApp();
    const int existing = int(state.range(0));
    TfCiLog log(Tarvel97PacketFormat);
    log.ShowFor("");
    auto* view = log.findChild<QPlainTextEdit*>("reLog");
    Prefill(view, existing);
    QCoreApplication::processEvents();
    auto link = MakeObj<TTestTransport>();
    const std::string request = BuildTarvel97Packet(0x31, 7, 0x70, "0123456789");
    for (auto _ : state) {
        for (int i = 0; i < PacketsPerTick; ++i) link->Send(request);
        log.Timer1Timer();
        QCoreApplication::processEvents();
        state.PauseTiming();
        if (view->document()->blockCount() != std::min(existing + PacketsPerTick, log.MaxLines()))
            state.SkipWithError("lines were lost");
        TrimTo(view, existing);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * PacketsPerTick);
}

} // namespace

BENCHMARK(BM_LogTick10000Packets)->Arg(0)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
