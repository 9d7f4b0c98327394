// valdrix-tester: the desktop test and calibration tool of the Valdrix I/O module.
#include "app/uTesterApplication.h"
#include "app/ufMain.h"
#include "framework/uci_SpyMonitor.h"
#include "protocol/uTarvelStackDeviceList.h"
#include "transports/uTransports.h"

int main(int argc, char** argv)
{
    TTesterApplication app(argc, argv);
    RegisterTransports();
    ApplySpyCommandLine(argc, argv);
    InstallTarvelUserMessages();
    int status = 0;
    {
        TTesterWindows windows(TConfigFile::ForProgram());
        // The log window may stay open; closing the main window ends the program anyway.
        QApplication::setQuitOnLastWindowClosed(false);
        QObject::connect(&windows.Main(), &TfrmMain::Closed, &app, &QApplication::quit);
        windows.Main().show();
        status = QApplication::exec();
    }
    UnregisterTransports();
    FinalizeDeviceRegistry();
    return status;
}
