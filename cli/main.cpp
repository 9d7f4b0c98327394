// valdrix-cli: the headless client of the Valdrix module for scripts and production lines.
#include "cli/uCliCapture.h"
#include "cli/uCliCommands.h"
#include "cli/uCliOptions.h"
#include "cli/uCliRecords.h"
#include "cli/uCliLink.h"
#include "cli/uCliSniff.h"
#include "cli/uCliStopSignals.h"
#include "cli/uCliTest.h"
#include "framework/uExceptions.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "records/uRecordShipper.h"
#include "session/uTesterRS485.h"
#include "session/uValdrixSession.h"
#include "transports/uTransports.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Runs the command on the session's link: opens it, runs the command and reports.
int Run(const TCliOptions& options, const TCliAction& action, TSessionLink& link)
{
    // A capture on standard output leaves it to the capture.
    TCliReport report(options.Json, options.Capture == "-" ? stderr : stdout);
    std::string error;
    TCliCapture capture(options.Connection);
    if (!options.Capture.empty() && !capture.Open(options.Capture, error)) {
        PrintCliUsageError(options.Json, error);
        return CliExitUsage;
    }
    TCliLink cli(link, options.Timeout);
    IValdrix& device = link.Device();
    device.SetAddress(options.Address);
    device.SetTimeout(options.Timeout);
    const TLinkOpen opened = link.Open(options.Connection, error);
    if (opened != TLinkOpen::Opened) {
        report.ConnectionFailure(CliOpenFailure(opened, error, link, options.Connection));
        return CliExitConnection;
    }
    try {
        if (action(cli, report)) {
            report.Finish();
            return CliExitOk;
        }
        if (report.FailureShown()) return CliExitDevice;
        error = report.Error().empty() ? link.DescribeFailure() : report.Error();
    } catch (const Exception& e) {
        error = e.Message();
    }
    report.Failure(error, device.GetLastResult(), device.GetLastAck());
    return CliExitDevice;
}

sigset_t StopSignals()
{
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    return stops;
}

// The command runs on a thread of its own while this thread runs the event loop: serial
// ports report their line events (data, hang-up) to the application's thread, which must
// run one. Stop signals go to the command's thread (it calls TakeStopSignals), where they
// end its pauses. The command's end reaches the loop through a descriptor, which wakes it
// at once and shares nothing else between the threads.
class TCommandEnd {
public:
    TCommandEnd() : FDescriptor(eventfd(0, EFD_CLOEXEC)) {}
    TCommandEnd(const TCommandEnd&) = delete;
    TCommandEnd& operator=(const TCommandEnd&) = delete;
    ~TCommandEnd()
    {
        if (FDescriptor >= 0) close(FDescriptor);
    }

    // On the command's thread, before it begins.
    static void TakeStopSignals()
    {
        const sigset_t stops = StopSignals();
        pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    }
    // On the command's thread: its exit status.
    void Tell(int status)
    {
        FStatus = status;
        const uint64_t one = 1;
        while (write(FDescriptor, &one, sizeof one) < 0 && errno == EINTR) {
        }
    }
    // Starts the command (`start` hands it to its thread, which calls Tell at its end) and
    // runs the event loop until then; the command's exit status.
    int Run(const std::function<void()>& start)
    {
        if (FDescriptor < 0) {
            std::fprintf(stderr, "valdrix-cli: %s\n", std::strerror(errno));
            return CliExitDevice;
        }
        QSocketNotifier notifier(FDescriptor, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
        const sigset_t stops = StopSignals();
        pthread_sigmask(SIG_BLOCK, &stops, nullptr);
        start();
        QCoreApplication::exec();
        pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
        return FStatus;
    }

private:
    int FDescriptor;
    std::atomic<int> FStatus{CliExitDevice};
};

// A command on the module: it runs on a session's worker, the thread that makes every
// request of the window's session too.
int RunOnASession(const TCliOptions& options, const TCliAction& action)
{
    TCommandEnd end;
    std::optional<TValdrixSession> session;
    return end.Run([&] {
        session.emplace();
        session->RunScript([&](TSessionScript& script) {
            TCommandEnd::TakeStopSignals();
            end.Tell(Run(options, action, script.Link()));
        });
    });
}

// test runs a plan on a session that plays the tester's device on its RS-485 link. A stop
// signal stops the run through the session (its pause ends at once) and the run ends
// ABORTED, with its record.
int RunTesting(const TCliOptions& options, const TCliTest& test)
{
    TCommandEnd end;
    std::optional<TValdrixSession> session;
    std::optional<TCliStopSignals> stops;
    return end.Run([&] {
        session.emplace(TesterRS485Answerer());
        stops.emplace([&] { session->StopActions(); });
        if (!test.RS485.empty()) session->OpenRS485(test.RS485);
        session->RunScript([&](TSessionScript& script) {
            TCommandEnd::TakeStopSignals();
            // The RS-485 open ran before this script; the session guards what it published.
            const IntfPtr<ICommunicationInterface> rs485 = session->RS485Interface();
            end.Tell(RunCliTest(options, test, script, rs485 && rs485->IsOpen()));
        });
    });
}

// sniff only listens: on a thread of its own, with a link of its own.
int RunSniffing(const TCliOptions& options, const TCliSniffOptions& sniff)
{
    TCommandEnd end;
    std::thread thread;
    const int status = end.Run([&] {
        thread = std::thread([&] {
            TCommandEnd::TakeStopSignals();
            end.Tell(RunSniff(options, sniff));
        });
    });
    thread.join();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    TCliOptions options;
    if (const auto status = ParseCliOptions(argc, argv, CliCommandSyntax(), options)) return *status;
    TCliAction action;
    TCliSniffOptions sniff;
    TCliRecordsOptions records;
    TCliTest test;
    const bool sniffing = options.Command == CliSniffSyntax().Name;
    const bool recording = options.Command == CliRecordsSyntax().Name;
    const bool testing = options.Command == CliTestSyntax().Name;
    if (testing)
        if (const auto status = PrepareCliTest(options, test)) return *status;
    try {
        if (sniffing)
            sniff = PrepareSniff(options.Args);
        else if (recording)
            records = PrepareRecords(options.Args);
        else if (!testing)
            action = PrepareCliCommand(options.Command, options.Args);
    } catch (const ECliUsage& e) {
        PrintCliUsageError(options.Json, e.what());
        return CliExitUsage;
    }

    QCoreApplication app(argc, argv);
    // The records need no module and no link.
    if (recording) return EndBesideWaitingSenders(RunRecords(options, records));
    RegisterTransports();
    const std::optional<std::string> unknown = UnknownProvider(options.Connection);
    if (unknown) PrintCliUsageError(options.Json, *unknown);
    const int status = unknown      ? CliExitUsage
                       : sniffing   ? RunSniffing(options, sniff)
                       : testing    ? RunTesting(options, test)
                                    : RunOnASession(options, action);
    UnregisterTransports();
    FinalizeDeviceRegistry();
    return EndBesideWaitingSenders(status);
}
