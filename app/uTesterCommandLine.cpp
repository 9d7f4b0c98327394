#include "app/uTesterCommandLine.h"

#include "app/uTesterLanguage.h"
#include "framework/uCommandLine.h"
#include "framework/uci_SpyMonitor.h"

#include <QCommandLineParser>

#include <cstdio>

const char* const TesterUsageText =
    "Usage: valdrix-tester [OPTION]... [DST]\n"
    "Test and calibration tool for the Valdrix I/O module.\n"
    "\n"
    "Options:\n"
    "  DST, -dst, /DST   copy all traffic to the external monitor: one datagram per byte\n"
    "                    string on $XDG_RUNTIME_DIR/valdrix-dst.sock (any letter case)\n"
    "      --language LANG\n"
    "                    the windows' language: cs (Czech) or en (English); without it,\n"
    "                    English when the first of LANGUAGE, LC_ALL, LC_MESSAGES and\n"
    "                    LANG that is set names English (e.g. en_GB.UTF-8), else Czech\n"
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

std::optional<int> ParseTesterCommandLine(const QStringList& arguments, bool complete,
                                          std::optional<TTesterLanguage>* language)
{
    QCommandLineParser parser;
    // "-dst" and "-platform" are words, not bundles of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    const QCommandLineOption languageOption(QStringLiteral("language"), QString(), QStringLiteral("LANG"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(languageOption);
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
    if (error.isEmpty() && parser.isSet(languageOption)) {
        const QString value = parser.value(languageOption);
        const std::optional<TTesterLanguage> named = LanguageNamed(value);
        if (!named) error = QStringLiteral("--language must be cs or en, not \"%1\"").arg(value);
        if (language) *language = named;
    }
    if (error.isEmpty()) return std::nullopt;
    PrintUsageError("valdrix-tester", error.toStdString());
    return CommandLineUsageStatus;
}
