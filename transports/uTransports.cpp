#include "transports/uTransports.h"

#include "framework/uci_ConnectionString.h"
#include "framework/uci_ProcessEvents.h"
#include "transports/ftdi/uci_FTDIdirect.h"
#include "transports/serial/uci_ISerialPortInterface.h"
#include "transports/tcp/uci_ITCPClientInterface.h"

#include <QCoreApplication>

namespace {
void ProcessQtEvents() { QCoreApplication::processEvents(); }
} // namespace

void RegisterTransports()
{
    SetProcessEventsHook(&ProcessQtEvents);
    RegisterProvider(&ConstructCommunicationInterface<TSerialPortInterface>, "SERIAL_PORT");
    RegisterProvider(&ConstructCommunicationInterface<TTCPClientInterface>, "TCP_CLIENT");
    RegisterProvider(&ConstructCommunicationInterface<TFTDIDevice>, "FTD_USB");
    BindFTDILibrary();
}

void UnregisterTransports()
{
    // Converter transports released last are closed by their reader threads; the
    // library stays loaded until they are done.
    TFTDIDeviceThread::WaitForAllEnded(1000);
    ReleaseFTDILibrary();
    UnregisterProvider(&ConstructCommunicationInterface<TFTDIDevice>);
    UnregisterProvider(&ConstructCommunicationInterface<TTCPClientInterface>);
    UnregisterProvider(&ConstructCommunicationInterface<TSerialPortInterface>);
    SetProcessEventsHook(nullptr);
}
