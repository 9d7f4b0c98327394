// The two analog group boxes: input ranges and calibration, output calibration points,
// raw value drag panels and ramp tests.
#include "app/uMainLayoutHelpers.h"
#include "app/ufMain.h"
#include "controls/uDoubleEdit.h"
#include "controls/uIntEdit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr int AnalogFirstRowY = 40;
constexpr int AnalogRowPitch = 28;
constexpr int RowHeight = 24;

int RowY(int channel) { return AnalogFirstRowY + (channel - 1) * AnalogRowPitch; }
} // namespace

void TfrmMain::CreateAnalogInputs(QWidget* parent)
{
    QGroupBox* group = NewGroup(parent, QStringLiteral("gbAnalogInputs"), tr("Analogové vstupy - kalibrace"),
                                QRect(8, 6, 420, 252));
    NewLabel(group, tr("Rozsah vstupu"), QRect(44, 20, 110, 18));
    NewLabel(group, tr("RAW hodnota"), QRect(270, 20, 84, 18))->setAlignment(Qt::AlignCenter);
    NewLabel(group, tr("Hodnota"), QRect(356, 20, 56, 18))->setAlignment(Qt::AlignCenter);
    for (int n = 1; n <= 4; ++n) {
        const QString index = QString::number(n);
        const int y = RowY(n);
        NewLabel(group, QStringLiteral("AI%1:").arg(n), QRect(8, y, 34, RowHeight));
        QComboBox* range = new QComboBox(group);
        range->setObjectName(QStringLiteral("cbbAD%1InputRange").arg(index));
        range->setGeometry(42, y, 92, RowHeight);
        range->addItems({QStringLiteral("0 - 10 V"), QStringLiteral("0 - 20 mA"), QStringLiteral("4 - 20 mA")});
        // "?" until the module's range is read or one is chosen.
        range->setPlaceholderText(QStringLiteral("?"));
        range->setCurrentIndex(-1);
        SetTag(range, n);
        cbbADInputRange[size_t(n - 1)] = range;
        connect(NewButton(group, QStringLiteral("btnAD%1Set").arg(index), tr("Nastavit"),
                          QRect(136, y, 62, RowHeight), n),
                &QPushButton::clicked, this, &TfrmMain::btnAD1SetClick);
        connect(NewButton(group, QStringLiteral("btnAD%1Calibration").arg(index), tr("Kalibrace"),
                          QRect(200, y, 68, RowHeight), n),
                &QPushButton::clicked, this, &TfrmMain::btnAD1CalibrationClick);
        edtADRawValue[size_t(n - 1)] =
            NewReadOnlyField(group, QStringLiteral("edtAD%1RawValue").arg(index), QRect(270, y, 84, RowHeight));
        edtADValue[size_t(n - 1)] =
            NewReadOnlyField(group, QStringLiteral("edtAD%1Value").arg(index), QRect(356, y, 56, RowHeight));
    }

    btnADGetInputRange = NewButton(group, QStringLiteral("btnADGetInputRange"), tr("Načíst rozsahy vstupů"),
                                   QRect(42, RowY(5), 232, 26));
    connect(btnADGetInputRange, &QPushButton::clicked, this, &TfrmMain::btnADGetInputRangeClick);

    NewLabel(group, tr("Přivedené napětí [V] / proud [mA] na vstup:"), QRect(8, 188, 300, RowHeight));
    deADRealValue = NewNumEdit<TDoubleEdit>(group, QStringLiteral("deADRealValue"), QRect(312, 188, 100, RowHeight),
                                            0.0, 100.0, 10.0);
    deADRealValue->SetShowName(tr("Přivedená hodnota"));

    NewLabel(group, tr("Počet dílků zkalibrozaného vstupu:"), QRect(8, 218, 300, RowHeight));
    ieADMaxRange = NewNumEdit<TIntEdit>(group, QStringLiteral("ieADMaxRange"), QRect(312, 218, 100, RowHeight), 0,
                                        100000, 10000);
    ieADMaxRange->SetShowName(tr("Počet dílků"));
    // An entry out of range is refused with the range, never clamped into another value.
    for (TMyCustomNumEdit* field : {static_cast<TMyCustomNumEdit*>(deADRealValue), static_cast<TMyCustomNumEdit*>(ieADMaxRange)})
        field->SetAutoCorrect(false);
}

void TfrmMain::CreateAnalogOutputs(QWidget* parent)
{
    // The group box carries the name btnDA2Low; output 2's low button is Button2.
    QGroupBox* group = NewGroup(parent, QStringLiteral("btnDA2Low"), tr("Analogové výtupy - kalibrace"),
                                QRect(8, 264, 420, 166));
    NewLabel(group, tr("Výstup"), QRect(218, 20, 58, 18))->setAlignment(Qt::AlignCenter);
    NewLabel(group, tr("Rozsah výtupu"), QRect(308, 20, 108, 18))->setAlignment(Qt::AlignCenter);
    for (int n = 1; n <= 4; ++n) {
        const QString index = QString::number(n);
        const bool voltage = n <= 2;
        const int y = RowY(n);
        NewLabel(group, QStringLiteral("AO%1:").arg(n), QRect(8, y, 34, RowHeight));
        const QString lowName = n == 2 ? QStringLiteral("Button2") : QStringLiteral("btnDA%1Low").arg(index);
        connect(NewButton(group, lowName, voltage ? tr("Zadat 0 V") : tr("Zadat 0 mA"),
                          QRect(42, y, 82, RowHeight), n),
                &QPushButton::clicked, this, &TfrmMain::btnDA1LowClick);
        connect(NewButton(group, QStringLiteral("btnDA%1High").arg(index),
                          voltage ? tr("Zadat 10 V") : tr("Zadat 20 mA"),
                          QRect(126, y, 90, RowHeight), n),
                &QPushButton::clicked, this, &TfrmMain::btnDA1HighClick);
        QLabel* raw = NewLoweredPanel(group, QStringLiteral("pnlDA%1Raw").arg(index), QStringLiteral("-"),
                                      QRect(218, y, 58, RowHeight));
        raw->setCursor(Qt::SizeHorCursor);
        raw->setToolTip(tr("Tažením myší doprava / doleva, nahoru / dolů se mění RAW hodnota výstupu"));
        SetTag(raw, n);
        raw->installEventFilter(this);
        pnlDARaw[size_t(n - 1)] = raw;
        connect(NewButton(group, QStringLiteral("btnDA%1Test").arg(index), tr("Test"),
                          QRect(278, y, 48, RowHeight), n),
                &QPushButton::clicked, this, &TfrmMain::btnDA1TestClick);
        QLineEdit* range = NewReadOnlyField(group, QStringLiteral("edtDA%1Range").arg(index),
                                            QRect(328, y, 84, RowHeight),
                                            voltage ? QStringLiteral("0 - 10 V") : QStringLiteral("0 - 20 mA"));
        range->setAlignment(Qt::AlignCenter);
    }
}
