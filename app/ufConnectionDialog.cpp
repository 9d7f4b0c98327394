#include "app/ufConnectionDialog.h"

#include "controls/uIntEdit.h"
#include "framework/uci_ConnectionString.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QThread>
#include <QToolButton>

#include <algorithm>
#include <cctype>

namespace {

// Client area of the dialog, in pixels.
constexpr int ClientWidth = 369;
constexpr int ClientHeight = 339;
// The scanner's first findings arrive within this time after a new scan starts.
constexpr unsigned long FirstFindingsMs = 200;

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool StillListed(const TFTDIDeviceEntry& device)
{
    char description[FtdiDetailTextSize];
    uint32_t capacity = sizeof description;
    return FTDIDeviceDescription(device.DeviceIndex, description, capacity) == FT_OK &&
           std::string(description, capacity) == device.Description;
}

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* widget : widgets) widget->setEnabled(enabled);
}

} // namespace

TfConnectionDialog::TfConnectionDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(tr("Nastavení připojení"));
    CreateControls();
    setFixedSize(ClientWidth, ClientHeight);
    FormCreate();
}

TfConnectionDialog::~TfConnectionDialog()
{
    FormDestroy();
}

void TfConnectionDialog::FormCreate()
{
    FComPorts.Items = cbCOM->model();
    // The list's own rule would move the selection to a neighbour of a removed row, or to
    // the first row inserted into an empty list; these run after it and undo that.
    QAbstractItemModel* ports = cbCOM->model();
    connect(ports, &QAbstractItemModel::rowsInserted, this, &TfConnectionDialog::KeepComPortChoice);
    connect(ports, &QAbstractItemModel::rowsRemoved, this, &TfConnectionDialog::KeepComPortChoice);
    connect(ports, &QAbstractItemModel::dataChanged, this, &TfConnectionDialog::KeepComPortChoice);
    connect(cbCOM, &QComboBox::activated, this, [this](int row) { ChooseComPort(row); });
    FScanner = std::make_unique<TComPortScanner>();
    FScanner->OnPortState = TComPortStateEvent::Bind<&TComPortStringList::UpdatePort>(&FComPorts);
    sbExpertModeClick();
    EnablePanels();
}

void TfConnectionDialog::FormDestroy()
{
    // The workers are parked before anything they report to goes away.
    FScanner->StopScan();
    FScanner.reset();
    FComPorts.Items = nullptr;
}

bool TfConnectionDialog::Execute(std::string& connectionString)
{
    Load(connectionString);
    if (rbUSB->isChecked() && !sbExpertMode->isChecked()) {
        sbExpertMode->setChecked(true);
        sbExpertModeClick();
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    if (exec() != QDialog::Accepted) return false;
    connectionString = Compose();
    return true;
}

void TfConnectionDialog::Load(const std::string& connectionString)
{
    const std::string provider = UpperCase(GetConnectionStringValue(connectionString, "provider", ""));
    if (provider == "FTD_USB") {
        rbUSB->setChecked(true);
        rbCOMClick();
        eSerialNumber->setText(QString::fromStdString(GetConnectionStringValue(connectionString, "serial_number", "")));
        SelectBaudRate(cbUSBBaudRate, GetConnectionStringInt(connectionString, "baudrate", 115200));
    } else if (provider == "TCP_CLIENT") {
        rbTCP->setChecked(true);
        rbCOMClick();
        eIP->setText(QString::fromStdString(GetConnectionStringValue(connectionString, "host", "")));
        iePort->SetValue(GetConnectionStringInt(connectionString, "port", 10001));
    } else {
        rbCOM->setChecked(true);
        rbCOMClick();
        ChooseComPort(FComPorts.IndexOfPort(GetConnectionStringInt(connectionString, "comport", 1)));
        SelectBaudRate(cbCOMBaudrate, GetConnectionStringInt(connectionString, "baudrate", 115200));
    }
}

std::string TfConnectionDialog::Compose() const
{
    if (rbUSB->isChecked())
        return "provider=FTD_USB;serial_number=" + eSerialNumber->text().toStdString() +
               ";baudrate=" + cbUSBBaudRate->currentText().toStdString();
    if (rbTCP->isChecked())
        return "provider=TCP_CLIENT;host=" + eIP->text().toStdString() + ";port=" + std::to_string(iePort->Value());
    return "provider=SERIAL_PORT;comport=" + std::to_string(FComPorts.PortAt(cbCOM->currentIndex())) +
           ";baudrate=" + cbCOMBaudrate->currentText().toStdString();
}

// The port field checks its entry when the focus leaves it, but a confirmation does not
// always take the focus away first (a button pressed while the dialog's window is not
// the active one). The entry is checked here as well, so that the composed string never
// carries a port the field would not hold.
void TfConnectionDialog::accept()
{
    if (rbTCP->isChecked() && !iePort->Validate()) return;
    QDialog::accept();
}

bool TfConnectionDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == iePort && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfConnectionDialog::SelectBaudRate(QComboBox* list, int baudRate)
{
    list->setCurrentIndex(std::max(0, list->findText(QString::number(baudRate))));
}

void TfConnectionDialog::ChooseComPort(int row, bool followFirst)
{
    FChosenPort = FComPorts.PortAt(row);
    FFollowFirstPort = followFirst;
    cbCOM->setCurrentIndex(row);
}

void TfConnectionDialog::KeepComPortChoice()
{
    const int listed = FComPorts.IndexOfPort(FChosenPort);
    int row = FChosenPort > 0 && FComPorts.PortAt(listed) == FChosenPort ? listed : -1;
    if (row < 0 && FFollowFirstPort && cbCOM->count() > 0) {
        row = 0;
        FChosenPort = FComPorts.PortAt(row);
    }
    cbCOM->setCurrentIndex(row);
}

void TfConnectionDialog::rbCOMClick()
{
    if (rbCOM->isChecked() && cbCOM->count() == 0) bCOMRefreshClick();
    if (rbUSB->isChecked() && cbDeviceName->count() == 0) bUSBRefreshClick();
    EnablePanels();
}

void TfConnectionDialog::EnablePanels()
{
    SetEnabled({lCOMPort, lCOMBaudrate, cbCOM, bCOMRefresh, cbCOMBaudrate}, rbCOM->isChecked());
    SetEnabled({lDeviceName, lSerialNumber, lUSBBaudRate, cbDeviceName, eSerialNumber, bUSBRefresh, cbUSBBaudRate},
               rbUSB->isChecked());
    SetEnabled({lIP, lPort, eIP, iePort}, rbTCP->isChecked());
}

// The scan goes on in the background and keeps the list up to date; the short wait only
// lets the first ports appear before one of them is selected.
void TfConnectionDialog::bCOMRefreshClick()
{
    FScanner->StartScan();
    QThread::msleep(FirstFindingsMs);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    ChooseComPort(cbCOM->count() > 0 ? 0 : -1, true);
}

void TfConnectionDialog::bUSBRefreshClick()
{
    cbDeviceName->clear();
    FTDIFillDeviceList(FDevices);
    for (const TFTDIDeviceEntry& device : FDevices) cbDeviceName->addItem(QString::fromStdString(device.Description));
    if (cbDeviceName->count() > 0) {
        cbDeviceName->setCurrentIndex(0);
        cbDeviceNameChange();
    } else {
        eSerialNumber->clear();
    }
}

// The converter at the item's index must still be the one listed: when converters are
// plugged in or out after the list was filled, the index may name another one, and its
// serial number would point the link at the wrong converter.
void TfConnectionDialog::cbDeviceNameChange()
{
    const int entry = cbDeviceName->currentIndex();
    std::string serialNumber;
    if (entry >= 0 && size_t(entry) < FDevices.size() && StillListed(FDevices[size_t(entry)]))
        serialNumber = FTDIEntrySerialNumber(FDevices, entry);
    eSerialNumber->setText(QString::fromStdString(serialNumber));
}

void TfConnectionDialog::sbExpertModeClick()
{
    const bool expert = sbExpertMode->isChecked();
    pUSB->setVisible(expert);
    lCOMBaudrate->setVisible(expert);
    cbCOMBaudrate->setVisible(expert);
}
