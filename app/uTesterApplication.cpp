#include "app/uTesterApplication.h"

#include "app/uAppMessage.h"
#include "app/ufConnectionDialog.h"
#include "app/ufMain.h"
#include "framework/ufCILog.h"
#include "protocol/uTarvelUserMessage.h"

TTesterApplication::TTesterApplication(int& argc, char** argv) : QApplication(argc, argv) { SetIdentity(); }

void TTesterApplication::SetIdentity() { setApplicationName(QStringLiteral("Valdrix Tester")); }

bool TTesterApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowAppMessage(activeWindow(), QString::fromUtf8(e.what()));
        return false;
    }
}

TTesterWindows::TTesterWindows(TConfigFile config)
    : FMain(std::make_unique<TfrmMain>(std::move(config))),
      FLog(std::make_unique<TfCiLog>()),
      FDialog(std::make_unique<TfConnectionDialog>())
{
    FMain->SetLogWindow(FLog.get());
    FMain->SetConnectionDialog(FDialog.get());
}

TTesterWindows::~TTesterWindows()
{
    FDialog.reset();
    FLog.reset();
    FMain.reset();
}

void InstallTarvelUserMessages()
{
    SetTarvelUserMessageHandler(
        [](const std::string& text) { ShowAppMessage(QApplication::activeWindow(), QString::fromStdString(text)); });
}
