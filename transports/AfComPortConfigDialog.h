// Widgets of the serial port component: the line settings dialog and the busy cursor
// shown while a port opens.
#pragma once

#include <QDialog>

class QComboBox;
class TAfComPort;

// Edits baud rate, data bits, parity, stop bits and flow control of a port.
class TAfComPortConfigDialog : public QDialog {
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

// The wait cursor for the lifetime of the object, when the program has a GUI.
class TAfBusyCursor {
public:
    TAfBusyCursor();
    ~TAfBusyCursor();
    TAfBusyCursor(const TAfBusyCursor&) = delete;
    TAfBusyCursor& operator=(const TAfBusyCursor&) = delete;

private:
    bool FShown;
};
