// valdrix-cli: the headless client of the Valdrix module for scripts and production lines.
#include "cli/uCliCommands.h"
#include "cli/uCliOptions.h"
#include "cli/uCliSession.h"
#include "framework/uExceptions.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "transports/uTransports.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include <pthread.h>

namespace {

int Run(const TCliOptions& options, const TCliAction& action)
{
    TCliReport report(options.Json, stdout);
    TCliSession session;
    std::string error;
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
// run one. Stop signals go to the command's thread, where they end its pauses.
int RunBesideTheEventLoop(QCoreApplication& app, const TCliOptions& options, const TCliAction& action)
{
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    int status = CliExitDevice;
    std::thread command([&] {
        pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
        status = Run(options, action);
        QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    QCoreApplication::exec();
    command.join();
    pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    TCliOptions options;
    if (const auto status = ParseCliOptions(argc, argv, CliCommandSyntax(), options)) return *status;
    TCliAction action;
    try {
        action = PrepareCliCommand(options.Command, options.Args);
    } catch (const ECliUsage& e) {
        PrintCliUsageError(options.Json, e.what());
        return CliExitUsage;
    }

    QCoreApplication app(argc, argv);
    RegisterTransports();
    const std::optional<std::string> unknown = UnknownProvider(options.Connection);
    if (unknown) PrintCliUsageError(options.Json, *unknown);
    const int status = unknown ? CliExitUsage : RunBesideTheEventLoop(app, options, action);
    UnregisterTransports();
    FinalizeDeviceRegistry();
    return status;
}
