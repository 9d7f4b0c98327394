// Widgets of the serial port component: the line settings dialog and the busy cursor
// shown while a port opens (installed into the ports by RegisterTransportDialogs).
#pragma once

#include <QDialog>

class QComboBox;
class TAfComPort;

// Edits baud rate, data bits, parity, stop bits and flow control of a port.
class TAfComPortConfigDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAfComPortConfigDialog(TAfComPort& port, QWidget* parent = nullptr);
    // Hands the edited settings to the port.
    void Apply();

private:
    TAfComPort& FPort;
    QComboBox* FBaudRate;
    QComboBox* FDatabits;
    QComboBox* FParity;
    QComboBox* FStopbits;
    QComboBox* FFlowControl;
};

// Modal dialog owned by the active window; true (settings taken over) when confirmed.
bool ExecuteAfComPortConfigDialog(TAfComPort& port);

// Shows (busy) or removes (not busy) the wait cursor, when the program has a GUI.
void ShowAfBusyCursor(bool busy);
