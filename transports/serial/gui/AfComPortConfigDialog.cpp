#include "transports/serial/gui/AfComPortConfigDialog.h"

#include "transports/serial/AfComPort.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QIntValidator>
#include <QPushButton>

namespace {

QComboBox* AddCombo(QFormLayout* form, const char* objectName, const QString& label, const QStringList& items, int index)
{
    auto* combo = new QComboBox;
    combo->setObjectName(objectName);
    combo->addItems(items);
    combo->setCurrentIndex(index);
    form->addRow(label, combo);
    return combo;
}

} // namespace

TAfComPortConfigDialog::TAfComPortConfigDialog(TAfComPort& port, QWidget* parent) : QDialog(parent), FPort(port)
{
    setObjectName("AfComPortConfigDialog");
    setWindowTitle(QString("COM%1").arg(port.ComNumber()));
    auto* form = new QFormLayout(this);

    const TAfDcb& dcb = port.Dcb();
    FBaudRate = AddCombo(form, "cbbBaudRate", tr("Bits per second:"), {}, -1);
    for (int i = 0; i < static_cast<int>(TAfBaudrate::brUser); ++i)
        FBaudRate->addItem(QString::number(AfBaudrateValue(static_cast<TAfBaudrate>(i))));
    FBaudRate->setEditable(true);
    FBaudRate->setValidator(new QIntValidator(1, 99999999, FBaudRate));
    FBaudRate->setCurrentText(QString::number(dcb.BaudRate));
    FDatabits = AddCombo(form, "cbbDatabits", tr("Data bits:"), {"4", "5", "6", "7", "8"},
                         static_cast<int>(port.Databits()));
    FParity = AddCombo(form, "cbbParity", tr("Parity:"), {tr("None"), tr("Odd"), tr("Even"), tr("Mark"), tr("Space")},
                       static_cast<int>(port.Parity()));
    FStopbits = AddCombo(form, "cbbStopbits", tr("Stop bits:"), {"1", "1.5", "2"}, static_cast<int>(port.Stopbits()));
    FFlowControl = AddCombo(form, "cbbFlowControl", tr("Flow control:"), {tr("None"), "Xon / Xoff", "RTS / CTS", "DTR / DSR"},
                            static_cast<int>(port.FlowControl()));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("btnOK");
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("btnCancel");
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TAfComPortConfigDialog::Apply()
{
    static const uint32_t FlowBits = dcb::fOutX | dcb::fInX | dcb::fOutxCtsFlow | dcb::fRtsControlHandshake |
                                      dcb::fOutxDsrFlow | dcb::fDtrControlHandshake;
    static const uint32_t FlowFlags[] = {0, dcb::fOutX | dcb::fInX, dcb::fOutxCtsFlow | dcb::fRtsControlHandshake,
                                          dcb::fOutxDsrFlow | dcb::fDtrControlHandshake};
    TAfDcb dcb = FPort.Dcb();
    dcb.BaudRate = FBaudRate->currentText().toUInt();
    dcb.ByteSize = static_cast<uint8_t>(4 + FDatabits->currentIndex());
    dcb.Parity = static_cast<uint8_t>(FParity->currentIndex());
    dcb.StopBits = static_cast<uint8_t>(FStopbits->currentIndex());
    dcb.Flags = (dcb.Flags & ~FlowBits) | FlowFlags[FFlowControl->currentIndex()];
    FPort.SetDcb(dcb);
}

bool ExecuteAfComPortConfigDialog(TAfComPort& port)
{
    TAfComPortConfigDialog dialog(port, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return false;
    dialog.Apply();
    return true;
}

void ShowAfBusyCursor(bool busy)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
