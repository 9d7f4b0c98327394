#pragma once

#include "controls/uCustomNumEdit.h"
#include "controls/uNumEditRange.h"

// A numeric edit field for whole numbers within [MinValue, MaxValue].
class TIntEdit : public TMyCustomNumEdit {
    Q_OBJECT
public:
    explicit TIntEdit(QWidget* parent = nullptr);

    qint32 MinValue() const { return FRange.MinValue; }
    void SetMinValue(qint32 value);
    qint32 MaxValue() const { return FRange.MaxValue; }
    void SetMaxValue(qint32 value);
    // Reads the text each time; a text that is not a number gives 0.
    qint32 Value() const;
    void SetValue(qint32 value);
    qint32 Increment() const { return FRange.Increment; }
    void SetIncrement(qint32 value) { FRange.SetIncrement(value); }
    quint16 PageMult() const { return FPageMult; }
    void SetPageMult(quint16 value) { FPageMult = value; }

    void Step(bool up, bool page) override;
    void Show() override;
    bool Validate() override;

    // Reads a whole number: leading blanks, a sign and a "$" or "0x" hexadecimal prefix
    // are understood; any other character, or a number beyond 32 bits, fails.
    static bool ReadInteger(const QString& text, qint32& value);

private:
    TNumEditRange<qint32> FRange{0, 100, 0, 1};
    quint16 FPageMult = 10;
};
