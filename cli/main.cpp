// valdrix-cli: the headless client of the Valdrix module for scripts and production lines.
#include "cli/uCliCommands.h"
#include "cli/uCliOptions.h"
#include "cli/uCliSession.h"
#include "framework/uExceptions.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "transports/uTransports.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

int Run(const TCliOptions& options, const TCliAction& action)
{
    TCliReport report(options.Json, stdout);
    TCliSession session;
    std::string error;
    if (!session.Connect(options.Connection, options.Timeout, error)) {
        report.Failure(error, TARVEL_RESULT_NONE, -1);
        return CliExitConnection;
    }
    IValdrix& device = session.Device();
    try {
        if (action(device, report)) {
            report.Finish();
            return CliExitOk;
        }
        if (report.FailureShown()) return CliExitDevice;
        error = report.Error().empty() ? DescribeRequestFailure(device.GetLastResult(), device.GetLastAck())
                                       : report.Error();
    } catch (const Exception& e) {
        error = e.Message();
    }
    report.Failure(error, device.GetLastResult(), device.GetLastAck());
    return CliExitDevice;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    TCliOptions options;
    TCliAction action;
    try {
        options = ParseCliOptions(args);
        if (options.Help) {
            std::fputs(CliUsageText, stdout);
            return CliExitOk;
        }
        action = PrepareCliCommand(options.Command, options.Args);
    } catch (const ECliUsage& e) {
        std::fprintf(stderr, "valdrix-cli: %s\n\n%s", e.what(), CliUsageText);
        return CliExitUsage;
    }

    QCoreApplication app(argc, argv);
    RegisterTransports();
    const int status = Run(options, action);
    UnregisterTransports();
    FinalizeDeviceRegistry();
    return status;
}
