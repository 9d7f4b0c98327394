#include "app/uTesterApplication.h"

#include "app/uAppMessage.h"
#include "app/ufConnectionDialog.h"
#include "app/ufMain.h"
#include "controls/uCustomNumEdit.h"
#include "framework/gui/ufCILog.h"
#include "protocol/uTarvel97.h"
#include "protocol/uTarvelUserMessage.h"
#include "transports/uTransportErrors.h"

#include <mutex>
#include <set>

TTesterApplication::TTesterApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    SetIdentity();
    // Errors of the transports' threads and handlers are shown like those escaping events.
    SetTransportErrorReceiver(
        [](const std::string& text) { ShowAppMessage(activeWindow(), QString::fromStdString(text)); });
}

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
      FLog(std::make_unique<TfCiLog>(Tarvel97PacketFormat)),
      FDialog(std::make_unique<TfConnectionDialog>())
{
    // A number field's refused entry is told as every other message of the tester.
    TMyCustomNumEdit::ShowRangeMessage = [](QWidget* parent, const QString& text) { ShowAppMessage(parent, text); };
    FLog->SetTrafficTools(&FLogTools);
    FMain->SetLogWindow(FLog.get());
    FMain->SetConnectionDialog(FDialog.get());
}

TTesterWindows::~TTesterWindows()
{
    FDialog.reset();
    FLog.reset();
    FMain.reset();
}

// The messages come from inside a request, with the stack's, the interface's and the
// SIG table's locks held, or from a USB converter's reader thread: each is shown by the
// main thread's event loop once the current event is done, and a text already waiting
// or on screen is not queued again (the SIG search repeats its message at every pass).
void InstallTarvelUserMessages()
{
    static std::mutex lock;
    static std::set<std::string> pending;
    SetTarvelUserMessageHandler([](const std::string& text) {
        {
            std::lock_guard guard(lock);
            if (!pending.insert(text).second) return;
        }
        QMetaObject::invokeMethod(
            qApp,
            [text] {
                ShowAppMessage(QApplication::activeWindow(), QString::fromStdString(text));
                std::lock_guard guard(lock);
                pending.erase(text);
            },
            Qt::QueuedConnection);
    });
}
