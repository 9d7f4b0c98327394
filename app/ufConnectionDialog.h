// The connection dialog: the technician picks a serial port, a USB converter or a TCP
// address, and the choice becomes a connection string.
//
// One instance serves every link of the main window. Between two uses it keeps what its
// controls hold (the scanned ports, the converters, the expert mode, the last panel);
// each Execute overwrites only the controls of the panel the loaded string selects.
#pragma once

#include "transports/ftdi/uFTDIEnum.h"
#include "transports/scan/uComPortScanner.h"
#include "transports/scan/uComPortStringList.h"

#include <QDialog>

#include <string>

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TIntEdit;

class TfConnectionDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfConnectionDialog(QWidget* parent = nullptr);
    ~TfConnectionDialog() override;

    // Loads the string, shows the dialog modally and, when the user confirms, replaces
    // the string with the composed one. False (string untouched) on cancel or close.
    bool Execute(std::string& connectionString);
    // Sets the controls of the panel the string's provider selects (the serial port for
    // an unknown or missing provider).
    void Load(const std::string& connectionString);
    // The connection string for the checked panel.
    std::string Compose() const;

    void accept() override;

protected:
    // Enter in the port field, which takes the key to check its entry, confirms as well.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void rbCOMClick();
    void bCOMRefreshClick();
    void bUSBRefreshClick();
    void cbDeviceNameChange();
    void sbExpertModeClick();

private:
    void FormCreate();
    void FormDestroy();
    void CreateControls();
    QFrame* CreateCOMPanel();
    QFrame* CreateUSBPanel();
    QFrame* CreateTCPPanel();
    QFrame* CreateBottomPanel();
    void SelectBaudRate(QComboBox* list, int baudRate);
    // Selects the row of cbCOM (none for -1) and takes its port as the chosen one; with
    // followFirst the first row stands for the choice whenever the chosen port is gone.
    void ChooseComPort(int row, bool followFirst = false);
    // Puts the selection back on the chosen port after the scan changed the rows: none
    // while that port is not listed.
    void KeepComPortChoice();
    void EnablePanels();

    QFrame* pCOM;
    QRadioButton* rbCOM;
    QLabel* lCOMPort;
    QComboBox* cbCOM;
    QPushButton* bCOMRefresh;
    QLabel* lCOMBaudrate;
    QComboBox* cbCOMBaudrate;

    QFrame* pUSB;
    QRadioButton* rbUSB;
    QLabel* lDeviceName;
    QComboBox* cbDeviceName;
    QPushButton* bUSBRefresh;
    QLabel* lSerialNumber;
    QLineEdit* eSerialNumber;
    QLabel* lUSBBaudRate;
    QComboBox* cbUSBBaudRate;

    QFrame* pTCP;
    QRadioButton* rbTCP;
    QLabel* lIP;
    QLineEdit* eIP;
    QLabel* lPort;
    TIntEdit* iePort;

    QToolButton* sbExpertMode;
    QPushButton* bOK;
    QPushButton* bCancel;
    QButtonGroup* FTransports;

    // The converters cbDeviceName lists, row by row.
    TFTDIDeviceList FDevices;
    // Declared before the scanner, which reports to it, so that the scanner goes first.
    TComPortStringList FComPorts;
    std::unique_ptr<TComPortScanner> FScanner;
    // The port chosen in cbCOM (0: none), and whether it is only the refresh's first row.
    int FChosenPort = 0;
    bool FFollowFirstPort = false;
};
