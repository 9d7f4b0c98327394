#include "transports/gui/uTransportDialogs.h"

#include "transports/ftdi/gui/uf_FTDISetup.h"
#include "transports/ftdi/uci_FTDIdirect.h"
#include "transports/serial/AfComPort.h"
#include "transports/serial/gui/AfComPortConfigDialog.h"
#include "transports/tcp/gui/uf_TCPSetup.h"
#include "transports/tcp/uci_ITCPClientInterface.h"

void RegisterTransportDialogs()
{
    SetAfComPortGui(&ExecuteAfComPortConfigDialog, &ShowAfBusyCursor);
    SetFTDISetupDialog(&ExecuteFTDIDialog);
    SetTCPSetupDialog(&ExecuteTCPIPDialog);
}
