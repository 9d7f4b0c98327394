#include "transports/uTransports.h"

#include "framework/uci_ConnectionString.h"
#include "framework/uci_ProcessEvents.h"
#include "transports/uci_ISerialPortInterface.h"
#include "transports/uci_ITCPClientInterface.h"

#include <QCoreApplication>

namespace {
void ProcessQtEvents() { QCoreApplication::processEvents(); }
} // namespace

void RegisterTransports()
{
    SetProcessEventsHook(&ProcessQtEvents);
    RegisterProvider(&ConstructCommunicationInterface<TSerialPortInterface>, "SERIAL_PORT");
    RegisterProvider(&ConstructCommunicationInterface<TTCPClientInterface>, "TCP_CLIENT");
}

void UnregisterTransports()
{
    UnregisterProvider(&ConstructCommunicationInterface<TTCPClientInterface>);
    UnregisterProvider(&ConstructCommunicationInterface<TSerialPortInterface>);
    SetProcessEventsHook(nullptr);
}
