#include "app/uTesterCommandLine.h"

#include "framework/uCommandLine.h"
#include "framework/uci_SpyMonitor.h"

#include <QCommandLineParser>

#include <cstdio>

const char* const TesterUsageText =
    "Usage: valdrix-tester [OPTION]... [DST]\n"
    "Test and calibration tool for the Valdrix I/O module (the window's texts are Czech).\n"
    "\n"
    "Options:\n"
    "  DST, -dst, /DST   copy all traffic to the external monitor: one datagram per byte\n"
    "                    string on $XDG_RUNTIME_DIR/valdrix-dst.sock (any letter case)\n"
    "  -h, --help        this text\n"
    "      --version     the program's version (the one the About box shows)\n"
    "  The options of the windowing toolkit (-platform NAME, -style NAME, ...) work too.\n"
    "\n"
    "Files:\n"
    "  Config.xml beside the program, or ~/.config/valdrix-tester/Config.xml when that\n"
    "  folder cannot be written: the connection strings of the module and RS-485 links.\n"
    "\n"
    "Environment:\n"
    "  VALDRIX_COM_DIR       folder whose entries COM<n> (links or device nodes) name the\n"
    "                        serial port of COM<n> instead of the built-in table\n"
    "  VALDRIX_D2XX_LIBRARY  the vendor's converter library (default libftd2xx.so)\n";

namespace {

QStringList WithoutMonitorSwitch(const QStringList& arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i)
        if (i == 0 || !IsMonitorSwitch(arguments[i].toStdString())) kept << arguments[i];
    return kept;
}

} // namespace

std::optional<int> ParseTesterCommandLine(const QStringList& arguments, bool complete)
{
    QCommandLineParser parser;
    // "-dst" and "-platform" are words, not bundles of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    const bool parsed = parser.parse(WithoutMonitorSwitch(arguments));
    if (parser.isSet(help)) {
        std::fputs(TesterUsageText, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("%s\n", VersionLine("valdrix-tester").c_str());
        return 0;
    }
    if (!complete) return std::nullopt;
    QString error = parser.errorText();
    if (parsed && !parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first());
    if (error.isEmpty()) return std::nullopt;
    PrintUsageError("valdrix-tester", error.toStdString());
    return CommandLineUsageStatus;
}
