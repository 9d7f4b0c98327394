#include "transports/scan/uComPortStringList.h"

#include "transports/scan/uComPortIdentity.h"
#include "transports/scan/uComPortProbe.h"

#include <QCoreApplication>

bool TComPortStringList::ItemAt(int row, TComPortItem& item) const
{
    if (!Items || row < 0 || row >= Items->rowCount()) return false;
    const QVariant data = Items->index(row, 0).data(ItemRole);
    if (!data.canConvert<TComPortItem>()) return false;
    item = data.value<TComPortItem>();
    return true;
}

QString TComPortStringList::Text(int port, uint8_t state) const
{
    QString text;
    if (OnFormat)
        OnFormat(port, state, text);
    else
        text = ComPortItemText(port, state);
    return text;
}

void TComPortStringList::UpdatePort(int port, uint8_t state)
{
    if (!Items) return;
    int at = Items->rowCount() - 1;
    TComPortItem item;
    while (at >= 0 && ItemAt(at, item) && item.Port > port) --at;
    const bool found = at >= 0 && ItemAt(at, item) && item.Port == port;
    if (state == cpsAbsent) {
        if (found) Items->removeRow(at);
        return;
    }
    if (!found) {
        ++at;
        Items->insertRow(at);
    }
    const QModelIndex index = Items->index(at, 0);
    Items->setData(index, Text(port, state), Qt::DisplayRole);
    Items->setData(index, QVariant::fromValue(TComPortItem{port, state}), ItemRole);
}

int TComPortStringList::IndexOfPort(int port) const
{
    if (!Items) return -1;
    TComPortItem item;
    for (int at = Items->rowCount() - 1; at >= 0; --at)
        if (ItemAt(at, item) && item.Port <= port) return at;
    return -1;
}

int TComPortStringList::PortAt(int index) const
{
    TComPortItem item;
    return ItemAt(index, item) ? item.Port : 0;
}

QString ComPortItemText(int port, uint8_t state)
{
    QString text = QStringLiteral("COM %1").arg(port);
    QString device = QString::fromStdString(ComPortDeviceName(port));
    if (state == cpsBusy && ComPortAccessDenied(port)) device += QCoreApplication::translate("TComPortStringList", ", bez oprávnění");
    if (!device.isEmpty()) text += QStringLiteral(" (%1)").arg(device);
    const std::string identity = ComPortIdentity(port);
    if (!identity.empty()) text += QStringLiteral(" ") + QString::fromStdString(identity);
    if (state == cpsProbing) text += QStringLiteral(" ...");
    return text;
}
