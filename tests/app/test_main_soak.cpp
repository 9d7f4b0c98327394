// The long run of the main window (run by scripts/soak.sh; skipped unless
// VALDRIX_SOAK_SECONDS is set): polling with the log window open and "Znovu připojit"
// on, against a simulator that loses 1 % and damages 1 % of its answers. Nothing is
// shown but the loss and the reconnect, every loss is accounted for by injected faults,
// and memory is flat after the warm-up.
#include "test_main_fixture.h"

#include "framework/gui/ufCILog.h"
#include "tests/support/soak.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QRegularExpression>

#include <chrono>
#include <unistd.h>

TEST_F(MainWindowTest, SoakPollsThroughInjectedFaults)
{
    const int seconds = SoakSeconds();
    if (seconds == 0) GTEST_SKIP() << "set VALDRIX_SOAK_SECONDS for the long run";
    TSimulator sim({"--drop", "1", "--corrupt", "1", "--seed", "13"});
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    Find<QCheckBox>(QStringLiteral("chkReconnect"))->setChecked(true);
    ConnectTo(sim.Connection());
    // A full log view stays as large as it is, so the warm-up lasts until the view is full.
    Windows->Log().SetMaxLines(2000);
    Click(QStringLiteral("btnLog"));
    const auto* view = Windows->Log().findChild<QPlainTextEdit*>(QStringLiteral("reLog"));
    ASSERT_TRUE(view);
    const auto logFull = [&] { return view->document()->blockCount() >= Windows->Log().MaxLines(); };

    const QRegularExpression allowed(QStringLiteral("^(Chyba komunikace|Znovu připojuji… pokus \\d+( se nezdařil.*)?|"
                                                    "Spojení bylo znovu navázáno\\.|Spojení bylo úspěšně navázáno\\.)$"));
    const auto start = std::chrono::steady_clock::now();
    // The window's allocations settle within a few minutes, and the trend store fills
    // its hour of samples (3.8 MB) in 67 minutes: the warm-up is the first half of the
    // run, at most 70 minutes.
    const auto warmUp = start + std::chrono::seconds(std::min(seconds / 2, 70 * 60));
    const auto end = start + std::chrono::seconds(seconds);
    long warmKb = -1;
    int losses = 0, failedAttempts = 0, reconnects = 0;
    QString last = StatusText();
    QStringList unexpected;
    PumpUntil(
        [&] {
            const QString shown = StatusText();
            if (shown != last) {
                last = shown;
                losses += shown == QStringLiteral("Chyba komunikace");
                failedAttempts += shown.contains(QStringLiteral("se nezdařil"));
                reconnects += shown == QStringLiteral("Spojení bylo znovu navázáno.");
                if (!allowed.match(shown).hasMatch()) unexpected << shown;
            }
            if (warmKb < 0 && std::chrono::steady_clock::now() >= warmUp && logFull()) warmKb = ResidentKb(getpid());
            return std::chrono::steady_clock::now() >= end;
        },
        std::chrono::seconds(seconds + 60));
    ASSERT_GE(warmKb, 0) << "the log view never filled";
    const long endKb = ResidentKb(getpid());
    const bool polling = Main().Connected() || Main().Reconnecting();
    CloseWindows();
    const TSimFaultTally tally = ParseSimFaultTally(sim.Stop());

    std::printf("window soak: %d losses, %d failed reconnect attempts, %d reconnects; simulator: %llu answers, %llu "
                "dropped, %llu damaged; resident %ld kB after warm-up, %ld kB at the end\n",
                losses, failedAttempts, reconnects, (unsigned long long)tally.Answers,
                (unsigned long long)tally.Dropped, (unsigned long long)tally.Corrupted, warmKb, endKb);
    EXPECT_TRUE(polling);
    EXPECT_TRUE(unexpected.isEmpty()) << unexpected.join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join(QStringLiteral("; ")).toStdString();
    ASSERT_TRUE(tally.Read);
    EXPECT_GT(tally.Dropped + tally.Corrupted, 0u);
    // A poll step is lost only when its request fails twice; an attempt asks once.
    EXPECT_LE(uint64_t(2 * losses + failedAttempts), tally.Dropped + tally.Corrupted);
    EXPECT_LE(endKb, warmKb + FlatResidentSlackKb);
}
