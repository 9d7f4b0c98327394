// The RS-485 test and clock group boxes.
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void TfrmMain::CreateRS485(QWidget* parent)
{
    QGroupBox* group = NewGroup(parent, QStringLiteral("gbRS485"), QStringLiteral("RS485"), QRect(436, 274, 429, 122));
    NewLabel(group, tr("Adresa zařízení:"), QRect(10, 24, 110, 26));
    cbbRS485Address = new QComboBox(group);
    cbbRS485Address->setObjectName(QStringLiteral("cbbRS485Address"));
    cbbRS485Address->setGeometry(122, 24, 190, 26);
    btnRS485Info = NewButton(group, QStringLiteral("btnRS485Info"), tr("Poslat Info"), QRect(318, 23, 100, 28));
    btnRS485Connect =
        NewButton(group, QStringLiteral("btnRS485Connect"), tr("Připojit"), QRect(10, 56, 100, 28));
    btnRS485Disconnect =
        NewButton(group, QStringLiteral("btnRS485Disconnect"), tr("Odpojit"), QRect(114, 56, 100, 28));
    btnRS485Log = NewButton(group, QStringLiteral("btnRS485Log"), tr("Log"), QRect(218, 56, 80, 28));
    NewLabel(group, tr("Odpověď:"), QRect(10, 90, 70, 24));
    edtRS485Answer = NewReadOnlyField(group, QStringLiteral("edtRS485Answer"), QRect(82, 90, 336, 24), QString());
    edtRS485Answer->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(btnRS485Info, &QPushButton::clicked, this, &TfrmMain::btnRS485InfoClick);
    connect(btnRS485Connect, &QPushButton::clicked, this, &TfrmMain::btnRS485ConnectClick);
    connect(btnRS485Disconnect, &QPushButton::clicked, this, &TfrmMain::btnRS485DisconnectClick);
    connect(btnRS485Log, &QPushButton::clicked, this, &TfrmMain::btnRS485LogClick);
}

void TfrmMain::CreateClock(QWidget* parent)
{
    QGroupBox* group =
        NewGroup(parent, QStringLiteral("gbClock"), tr("Datum a čas"), QRect(436, 402, 429, 96));
    NewLabel(group, tr("Datum a čas v zařízení:"), QRect(10, 24, 160, 24));
    Edit5 = NewReadOnlyField(group, QStringLiteral("Edit5"), QRect(172, 24, 160, 24), QString());
    Edit5->setAlignment(Qt::AlignCenter);
    Button3 = NewButton(group, QStringLiteral("Button3"), tr("Nahrat ze zařízení"), QRect(10, 56, 156, 28));
    Button4 = NewButton(group, QStringLiteral("Button4"), tr("Nastavit podle PC"), QRect(172, 56, 160, 28));
    connect(Button3, &QPushButton::clicked, this, &TfrmMain::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmMain::Button4Click);
}
