// The dialog's controls and their arrangement.
#include "app/ufConnectionDialog.h"

#include "app/uBaudRateItemDelegate.h"
#include "controls/uIntEdit.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The controls of a panel sit this far right of its radio button.
constexpr int Indent = 16;

const char* const BaudRateTexts[] = {"110", "300", "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};

template <class T>
T* Named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A row of a panel: the field's caption (its label, named `name`) and the field.
QLabel* Row(QGridLayout* rows, int row, const char* name, const QString& text, QWidget* field)
{
    auto* label = Named(new QLabel(text), name);
    label->setBuddy(field);
    rows->addWidget(label, row, 0);
    rows->addWidget(field, row, 1);
    return label;
}

QComboBox* DropDownList(const char* name)
{
    auto* list = Named(new QComboBox, name);
    list->setEditable(false);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return list;
}

QComboBox* BaudRateList(const char* name)
{
    QComboBox* list = DropDownList(name);
    for (const char* rate : BaudRateTexts) list->addItem(QLatin1String(rate));
    TBaudRateItemDelegate::Install(list);
    list->setCurrentText(QStringLiteral("115200"));
    return list;
}

// A panel headed by its radio button (and the panel's refresh button, when it has one, at
// the right), its rows of controls below and indented.
QFrame* Panel(const char* name, QRadioButton* radio, QPushButton* refresh, QGridLayout*& rows)
{
    auto* panel = Named(new QFrame, name);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(4);
    auto* header = new QHBoxLayout;
    header->addWidget(radio);
    header->addStretch(1);
    if (refresh) header->addWidget(refresh);
    layout->addLayout(header);
    rows = new QGridLayout;
    rows->setContentsMargins(Indent, 0, 0, 0);
    rows->setHorizontalSpacing(6);
    rows->setVerticalSpacing(4);
    rows->setColumnStretch(1, 1);
    layout->addLayout(rows);
    return panel;
}

} // namespace

QFrame* TfConnectionDialog::CreateCOMPanel()
{
    rbCOM = Named(new QRadioButton(tr("Sériový port:")), "rbCOM");
    bCOMRefresh = Named(new QPushButton(tr("Obnovit")), "bCOMRefresh");
    QGridLayout* rows;
    pCOM = Panel("pCOM", rbCOM, bCOMRefresh, rows);
    cbCOM = DropDownList("cbCOM");
    cbCOMBaudrate = BaudRateList("cbCOMBaudrate");
    lCOMPort = Row(rows, 0, "lCOMPort", tr("Číslo portu RS232/485:"), cbCOM);
    lCOMBaudrate = Row(rows, 1, "lCOMBaudrate", tr("Komunikační rychlost [Bd]:"), cbCOMBaudrate);
    return pCOM;
}

QFrame* TfConnectionDialog::CreateUSBPanel()
{
    rbUSB = Named(new QRadioButton(tr("USB:")), "rbUSB");
    bUSBRefresh = Named(new QPushButton(tr("Obnovit")), "bUSBRefresh");
    QGridLayout* rows;
    pUSB = Panel("pUSB", rbUSB, bUSBRefresh, rows);
    cbDeviceName = DropDownList("cbDeviceName");
    eSerialNumber = Named(new QLineEdit, "eSerialNumber");
    eSerialNumber->setReadOnly(true);
    cbUSBBaudRate = BaudRateList("cbUSBBaudRate");
    lDeviceName = Row(rows, 0, "lDeviceName", tr("Zařízení:"), cbDeviceName);
    lSerialNumber = Row(rows, 1, "lSerialNumber", tr("Sériové číslo:"), eSerialNumber);
    lUSBBaudRate = Row(rows, 2, "lUSBBaudRate", tr("Komunikační rychlost [Bd]:"), cbUSBBaudRate);
    return pUSB;
}

QFrame* TfConnectionDialog::CreateTCPPanel()
{
    rbTCP = Named(new QRadioButton(tr("Ethernet:")), "rbTCP");
    QGridLayout* rows;
    pTCP = Panel("pTCP", rbTCP, nullptr, rows);
    eIP = Named(new QLineEdit(QStringLiteral("192.168.1.100")), "eIP");
    // A ";" would end the value inside the connection string and start a key of its own.
    eIP->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[^;]*")), eIP));
    iePort = Named(new TIntEdit, "iePort");
    iePort->SetMaxValue(65535);
    iePort->SetMinValue(1);
    iePort->SetValue(10001);
    iePort->SetShowName(tr("Datový port"));
    // A port outside 1..65535 is refused with the range, never changed into another.
    iePort->SetAutoCorrect(false);
    iePort->installEventFilter(this);
    lIP = Row(rows, 0, "lIP", tr("IP adresa:"), eIP);
    lPort = Row(rows, 1, "lPort", tr("Datový port:"), iePort);
    return pTCP;
}

QFrame* TfConnectionDialog::CreateBottomPanel()
{
    auto* panel = Named(new QFrame, "pBottom");
    sbExpertMode = Named(new QToolButton, "sbExpertMode");
    sbExpertMode->setText(tr("Pro pokročilé"));
    sbExpertMode->setCheckable(true);
    bOK = Named(new QPushButton(tr("Ok")), "bOK");
    bOK->setDefault(true);
    bCancel = Named(new QPushButton(tr("Zrušit")), "bCancel");
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(sbExpertMode);
    layout->addStretch(1);
    layout->addWidget(bOK);
    layout->addWidget(bCancel);
    return panel;
}

void TfConnectionDialog::CreateControls()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(CreateCOMPanel());
    layout->addWidget(CreateUSBPanel());
    layout->addWidget(CreateTCPPanel());
    layout->addStretch(1);
    layout->addWidget(CreateBottomPanel());

    // One label column across the panels, so that the fields line up.
    const QList<QLabel*> labels {lCOMPort, lCOMBaudrate, lDeviceName, lSerialNumber, lUSBBaudRate, lIP, lPort};
    int width = 0;
    for (const QLabel* label : labels) width = std::max(width, label->sizeHint().width());
    for (QLabel* label : labels) label->setFixedWidth(width);

    FTransports = new QButtonGroup(this);
    for (QRadioButton* radio : {rbCOM, rbUSB, rbTCP}) FTransports->addButton(radio);
    rbCOM->setChecked(true);

    for (QRadioButton* radio : {rbCOM, rbUSB, rbTCP})
        connect(radio, &QRadioButton::clicked, this, &TfConnectionDialog::rbCOMClick);
    connect(bCOMRefresh, &QPushButton::clicked, this, &TfConnectionDialog::bCOMRefreshClick);
    connect(bUSBRefresh, &QPushButton::clicked, this, &TfConnectionDialog::bUSBRefreshClick);
    connect(cbDeviceName, &QComboBox::activated, this, &TfConnectionDialog::cbDeviceNameChange);
    connect(sbExpertMode, &QToolButton::clicked, this, &TfConnectionDialog::sbExpertModeClick);
    // Only "Ok" is ever the default button: Enter confirms from any field, and no other
    // button (a disabled "Obnovit") takes the default's frame when it had the focus.
    for (QPushButton* button : {bCOMRefresh, bUSBRefresh, bCancel}) button->setAutoDefault(false);
    connect(bOK, &QPushButton::clicked, this, &TfConnectionDialog::accept);
    connect(bCancel, &QPushButton::clicked, this, &TfConnectionDialog::reject);
}
