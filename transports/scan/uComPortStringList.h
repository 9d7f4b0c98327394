// Keeps a list of serial ports, sorted by port number, in step with the scanner's
// state reports.
//
// The list itself belongs to someone else (the connection dialog binds the model of its
// port combo box). Each row carries its text and, under ItemRole, a TComPortItem with
// the port number and state; rows without that data are foreign and never matched.
#pragma once

#include "framework/uMethod.h"

#include <QAbstractItemModel>
#include <QString>
#include <cstdint>

struct TComPortItem {
    int32_t Port = 0;
    uint8_t State = 0;
};
Q_DECLARE_METATYPE(TComPortItem)

class TComPortStringList {
public:
    static constexpr int ItemRole = Qt::UserRole;

    // The rows maintained; not owned. May be null (nothing is then maintained).
    QAbstractItemModel* Items = nullptr;
    // Produces an item's text; when empty, ComPortItemText is used.
    TMethod<void(int port, uint8_t state, QString& text)> OnFormat;

    // Applies one state report: a listed port gets the new state and text, an unlisted
    // one is inserted in order, and a port reported absent is removed.
    void UpdatePort(int port, uint8_t state);
    // Index of the last item whose port is not above the given one; -1 when none.
    int IndexOfPort(int port) const;
    // Port of the item at index; 0 for no such item.
    int PortAt(int index) const;

private:
    bool ItemAt(int row, TComPortItem& item) const;
    QString Text(int port, uint8_t state) const;
};

// "COM 33 (ttyUSB0)", with ", bez oprávnění" inside the brackets for a busy port this
// user may not open, then the converter's identity when the by-id directory names it
// ("COM 33 (ttyUSB0) FTDI FT232R USB UART A5XK3RJT"), and a trailing " ..." while the
// port is being probed.
QString ComPortItemText(int port, uint8_t state);
