#include "controls/uIntEdit.h"

#include <limits>

namespace {

// The value of a decimal or hexadecimal digit; 16 for any other character.
int DigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    const char16_t lower = c | 0x20;
    return lower >= u'a' && lower <= u'f' ? lower - u'a' + 10 : 16;
}

} // namespace

TIntEdit::TIntEdit(QWidget* parent)
    : TNumEdit(parent, {0, 100, 0, 1})
{
    Show();
}

void TIntEdit::Step(bool up, bool page)
{
    TakeShownValue();
    // Computed wide so that a step past the 32-bit limits stops at them instead of wrapping.
    const qint64 step = qint64(FRange.Increment) * StepMultiplier(page, FPageMult);
    const qint64 next = qint64(FRange.Value) + (up ? step : -step);
    SetValue(qint32(std::clamp<qint64>(next, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max())));
}

void TIntEdit::Show()
{
    setText(QString::number(FRange.Value));
    ShowValueSign();
}

bool TIntEdit::Validate()
{
    qint32 value = 0;
    const bool read = ReadInteger(text(), value);
    if (!read || FRange.OutOfRange(value)) {
        ReportBadEntry();
        if (!AutoCorrect()) {
            RefuseEntry(FormatMessage(tr("%s musí být v rozmezí od %d do %d!"),
                                      {ShowName(), QString::number(FRange.MinValue), QString::number(FRange.MaxValue)}));
            return false;
        }
        value = FRange.Clamp(value);
    }
    SetValue(value);
    return true;
}

bool TIntEdit::ReadInteger(const QString& text, qint32& value)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (text.mid(i, 2).compare(QLatin1String("0x"), Qt::CaseInsensitive) == 0) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return false;
    const qint64 limit = negative ? -qint64(std::numeric_limits<qint32>::min()) : std::numeric_limits<qint32>::max();
    qint64 magnitude = 0;
    for (; i < text.size(); ++i) {
        if (DigitValue(text[i].unicode()) >= base)
            return false;
        magnitude = magnitude * base + DigitValue(text[i].unicode());
        if (magnitude > limit)
            return false;
    }
    value = qint32(negative ? -magnitude : magnitude);
    return true;
}
