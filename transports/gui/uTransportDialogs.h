// The widgets of the transports: their setup dialogs and the serial ports' wait cursor.
//
// The transports themselves have no GUI code; a program with widgets calls
// RegisterTransportDialogs once (beside RegisterTransports) to install these into them.
// Without the call HasSetupDialog is false and ExecuteSetupDialog does nothing.
#pragma once

void RegisterTransportDialogs();
