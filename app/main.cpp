// valdrix-tester: the desktop test and calibration tool of the Valdrix I/O module.
#include "app/uTesterApplication.h"
#include "app/uQuitSignals.h"
#include "app/uTesterCommandLine.h"
#include "app/uTesterLanguage.h"
#include "app/ufMain.h"
#include "framework/uci_SpyMonitor.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "records/uRecordShipper.h"
#include "transports/gui/uTransportDialogs.h"
#include "transports/uTransports.h"

#include <QIcon>

namespace {

QStringList Arguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto status = ParseTesterCommandLine(Arguments(argc, argv), false)) return *status;
    TTesterApplication app(argc, argv);
    std::optional<TTesterLanguage> language;
    if (const auto status = ParseTesterCommandLine(QApplication::arguments(), true, &language)) return *status;
    InstallTesterLanguage(ChosenLanguage(language));
    QApplication::setDesktopFileName(QStringLiteral("valdrix-tester"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/valdrix-tester.svg")));
    RegisterTransports();
    RegisterTransportDialogs();
    ApplySpyCommandLine(argc, argv);
    InstallTarvelUserMessages();
    int status = 0;
    {
        TTesterWindows windows(TConfigFile::ForProgram());
        // A logout or Ctrl+C closes the window as the user would, and the settings are saved.
        const TQuitSignals quitSignals([&windows] { windows.Main().close(); });
        // The log window may stay open; closing the main window ends the program anyway.
        QApplication::setQuitOnLastWindowClosed(false);
        QObject::connect(&windows.Main(), &TfrmMain::Closed, &app, &QApplication::quit);
        windows.Main().show();
        status = QApplication::exec();
    }
    UnregisterTransports();
    FinalizeDeviceRegistry();
    // The station window's sending of runs may be left waiting for a frozen server.
    return EndBesideWaitingSenders(status);
}
