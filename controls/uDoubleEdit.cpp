#include "controls/uDoubleEdit.h"

#include <QKeyEvent>
#include <QLocale>

#include <cmath>

namespace {

constexpr int SignificantDigits = 15;
constexpr int MaxDecimals = 18;

QChar DecimalSeparator()
{
    return QLocale().decimalPoint().front();
}

} // namespace

TDoubleEdit::TDoubleEdit(QWidget* parent)
    : TNumEdit(parent, {0.0, 0.0, 0.0, 1.0})
{
    Show();
}

void TDoubleEdit::SetDecimals(qint16 value)
{
    FDecimals = value;
    Show();
}

void TDoubleEdit::SetDecimalBenhaviour(TDecimalBehaviour value)
{
    FDecimalBenhaviour = value;
    Show();
}

void TDoubleEdit::Step(bool up, bool page)
{
    TakeShownValue();
    const double step = FRange.Increment * StepMultiplier(page, FPageMult);
    SetValue(FRange.Value + (up ? step : -step));
}

void TDoubleEdit::Show()
{
    QLocale locale;
    if (FDecimalBenhaviour == dbAuto) {
        locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
        setText(locale.toString(FRange.Value, 'g', SignificantDigits));
    } else {
        locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
        const double rounded = QString::number(FRange.Value, 'g', SignificantDigits).toDouble();
        setText(locale.toString(rounded, 'f', std::clamp<int>(FDecimals, 0, MaxDecimals)));
    }
    ShowValueSign();
}

bool TDoubleEdit::Validate()
{
    const QString entry = text();
    if (FDecimalBenhaviour == dbRemember) {
        const qsizetype separator = entry.lastIndexOf(DecimalSeparator());
        FDecimals = qint16(separator < 0 ? 0 : std::min<qsizetype>(entry.size() - separator - 1, MaxDecimals));
    }
    double value = 0;
    const bool read = entry.isEmpty() || ReadReal(entry, value);
    if (!read || FRange.OutOfRange(value)) {
        ReportBadEntry();
        if (!AutoCorrect()) {
            const QLocale locale;
            RefuseEntry(FormatMessage(tr("%s musí být v rozmezí od %f do %f!"),
                                      {ShowName(), locale.toString(FRange.MinValue, 'f', 2),
                                       locale.toString(FRange.MaxValue, 'f', 2)}));
            return false;
        }
        value = read ? FRange.Clamp(value) : 0;
    }
    SetValue(value);
    return true;
}

bool TDoubleEdit::ReadReal(const QString& text, double& value)
{
    bool ok = false;
    const double read = QLocale().toDouble(text, &ok);
    if (ok && std::isfinite(read))
        value = read;
    return ok && std::isfinite(read);
}

QChar TDoubleEdit::MapTypedCharacter(QChar c) const
{
    return c == u',' || c == u'.' ? DecimalSeparator() : TMyCustomNumEdit::MapTypedCharacter(c);
}

bool TDoubleEdit::HandleSpecialKey(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Plus || !event->modifiers().testFlag(Qt::KeypadModifier))
        return false;
    SetValue(std::fabs(Value()));
    return true;
}
