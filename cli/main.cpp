// valdrix-cli: the headless client of the Valdrix module for scripts and production lines.
#include "cli/uCliCapture.h"
#include "cli/uCliCommands.h"
#include "cli/uCliOptions.h"
#include "cli/uCliSession.h"
#include "cli/uCliSniff.h"
#include "framework/uExceptions.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "transports/uTransports.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

int Run(const TCliOptions& options, const TCliAction& action)
{
    // A capture on standard output leaves it to the capture.
    TCliReport report(options.Json, options.Capture == "-" ? stderr : stdout);
    TCliSession session;
    std::string error;
    TCliCapture capture(options.Connection);
    if (!options.Capture.empty() && !capture.Open(options.Capture, error)) {
        PrintCliUsageError(options.Json, error);
        return CliExitUsage;
    }
    if (!session.Connect(options.Connection, options.Timeout, options.Address, error)) {
        report.ConnectionFailure(error);
        return CliExitConnection;
    }
    IValdrix& device = session.Device();
    try {
        if (action(session, report)) {
            report.Finish();
            return CliExitOk;
        }
        if (report.FailureShown()) return CliExitDevice;
        error = report.Error().empty() ? session.DescribeFailure() : report.Error();
    } catch (const Exception& e) {
        error = e.Message();
    }
    report.Failure(error, device.GetLastResult(), device.GetLastAck());
    return CliExitDevice;
}

// The command runs on a thread of its own while this thread runs the event loop: serial
// ports report their line events (data, hang-up) to the application's thread, which must
// run one. Stop signals go to the command's thread, where they end its pauses. The
// command's end reaches the loop through a descriptor, which wakes it at once and shares
// nothing else between the threads.
int RunBesideTheEventLoop(QCoreApplication& app, const std::function<int()>& command)
{
    const int finished = eventfd(0, EFD_CLOEXEC);
    if (finished < 0) return command();
    QSocketNotifier notifier(finished, QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    int status = CliExitDevice;
    std::thread thread([&] {
        pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
        status = command();
        const uint64_t one = 1;
        while (write(finished, &one, sizeof one) < 0 && errno == EINTR) {
        }
    });
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    QCoreApplication::exec();
    thread.join();
    pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    close(finished);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    TCliOptions options;
    if (const auto status = ParseCliOptions(argc, argv, CliCommandSyntax(), options)) return *status;
    TCliAction action;
    TCliSniffOptions sniff;
    const bool sniffing = options.Command == CliSniffSyntax().Name;
    try {
        if (sniffing)
            sniff = PrepareSniff(options.Args);
        else
            action = PrepareCliCommand(options.Command, options.Args);
    } catch (const ECliUsage& e) {
        PrintCliUsageError(options.Json, e.what());
        return CliExitUsage;
    }

    QCoreApplication app(argc, argv);
    RegisterTransports();
    const std::optional<std::string> unknown = UnknownProvider(options.Connection);
    if (unknown) PrintCliUsageError(options.Json, *unknown);
    const int status = unknown ? CliExitUsage : RunBesideTheEventLoop(app, [&] {
        return sniffing ? RunSniff(options, sniff) : Run(options, action);
    });
    UnregisterTransports();
    FinalizeDeviceRegistry();
    return status;
}
