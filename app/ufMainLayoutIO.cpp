// The digital I/O group box (input lamps with their counters, output lamps, running
// output buttons) and the thermometers.
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/ShapeEx.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int IOFirstRowY = 40;
constexpr int IORowPitch = 26;
constexpr int InputRows = 8;
constexpr int OutputRows = 5;
// A lamp is a circle as tall as the counter field beside it, centred in its box.
constexpr QSize LampSize(34, 22);

TShapeEx* NewLamp(QWidget* parent, const QString& name, int number, TShapeExColorSchema* schema, QPoint at)
{
    TShapeEx* lamp = new TShapeEx(parent);
    lamp->setObjectName(name);
    lamp->setGeometry(QRect(at, LampSize));
    lamp->SetShape(stCircle);
    lamp->SetCaption(QString::number(number));
    lamp->SetColorSchema(schema);
    lamp->SetTag(number);
    return lamp;
}

} // namespace

void TfrmMain::CreateDigitalIO(QWidget* parent)
{
    QGroupBox* group = NewGroup(parent, QStringLiteral("gbDigital"), tr("Digitální vstupy / výstupy"),
                                QRect(436, 6, 429, 262));
    for (int column = 0; column < 2; ++column) {
        const int x = 10 + column * 136;
        NewLabel(group, tr("Vstup"), QRect(x, 20, LampSize.width() + 4, 18));
        NewLabel(group, tr("Čítač"), QRect(x + 38, 20, 86, 18))->setAlignment(Qt::AlignCenter);
    }
    for (int n = 1; n <= ValdrixDigitalInputs; ++n) {
        const int x = 10 + ((n - 1) / InputRows) * 136;
        const int y = IOFirstRowY + ((n - 1) % InputRows) * IORowPitch;
        shpxDI[size_t(n - 1)] =
            NewLamp(group, QStringLiteral("shpxDI%1").arg(n), n, shpxclrschmLedG, QPoint(x, y));
        edtDICounter[size_t(n - 1)] =
            NewReadOnlyField(group, QStringLiteral("edtDI%1Counter").arg(n), QRect(x + 38, y, 86, 22));
    }

    NewLabel(group, tr("Výstupy"), QRect(290, 20, 120, 18));
    for (int n = 1; n <= ValdrixDigitalOutputs; ++n) {
        const int x = 290 + ((n - 1) / OutputRows) * 44;
        const int y = IOFirstRowY + ((n - 1) % OutputRows) * IORowPitch;
        TShapeEx* lamp = NewLamp(group, QStringLiteral("shpxDO%1").arg(n), n, shpxclrschmLedR, QPoint(x, y));
        lamp->SetAllowDown(true);
        lamp->SetAllowUp(true);
        lamp->setCursor(Qt::PointingHandCursor);
        connect(lamp, &TShapeEx::onClick, this, &TfrmMain::shpxDO1Click);
        shpxDO[size_t(n - 1)] = lamp;
    }
    btnOSetFirst = NewButton(group, QStringLiteral("btnOSetFirst"), tr("Sepnout první vstup"),
                             QRect(286, 180, 134, 28));
    btnOSetNext = NewButton(group, QStringLiteral("btnOSetNext"), tr("Sepnout další vstup"),
                            QRect(286, 214, 134, 28), 1);
    connect(btnOSetFirst, &QPushButton::clicked, this, &TfrmMain::btnOSetFirstClick);
    connect(btnOSetNext, &QPushButton::clicked, this, &TfrmMain::btnOSetNextClick);
}

void TfrmMain::CreateThermometers(QWidget* parent)
{
    QGroupBox* group =
        NewGroup(parent, QStringLiteral("gbThermometers"), tr("Teploměry"), QRect(8, 436, 420, 62));
    for (int n = 1; n <= ValdrixThermometers; ++n) {
        const int x = 8 + (n - 1) * 102;
        NewLabel(group, QStringLiteral("T%1:").arg(n), QRect(x, 26, 24, 22));
        edtTemp[size_t(n - 1)] = NewReadOnlyField(group, QStringLiteral("edtTemp%1").arg(n), QRect(x + 26, 26, 70, 22));
    }
}
