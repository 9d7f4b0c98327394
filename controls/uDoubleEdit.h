#pragma once

#include "controls/uCustomNumEdit.h"
#include "controls/uNumEditRange.h"

// How a real-number field writes its decimals: shortest form, always Decimals digits,
// or Decimals taken from the last accepted entry.
enum TDecimalBehaviour { dbManual, dbAuto, dbRemember };

// A numeric edit field for real numbers within [MinValue, MaxValue]. Typed "," and "."
// become the locale's decimal separator; the keypad plus key makes the value positive.
class TDoubleEdit : public TMyCustomNumEdit {
    Q_OBJECT
public:
    explicit TDoubleEdit(QWidget* parent = nullptr);

    double MinValue() const { return FRange.MinValue; }
    void SetMinValue(double value);
    double MaxValue() const { return FRange.MaxValue; }
    void SetMaxValue(double value);
    // Reads the text each time; a text that is not a number gives 0.
    double Value() const;
    void SetValue(double value);
    double Increment() const { return FRange.Increment; }
    void SetIncrement(double value) { FRange.SetIncrement(value); }
    quint16 PageMult() const { return FPageMult; }
    void SetPageMult(quint16 value) { FPageMult = value; }
    qint16 Decimals() const { return FDecimals; }
    void SetDecimals(qint16 value);
    TDecimalBehaviour DecimalBenhaviour() const { return FDecimalBenhaviour; }
    void SetDecimalBenhaviour(TDecimalBehaviour value);

    void Step(bool up, bool page) override;
    void Show() override;
    bool Validate() override;

    // Reads a real number in the current locale (its group separators included).
    static bool ReadReal(const QString& text, double& value);

protected:
    QChar MapTypedCharacter(QChar c) const override;
    bool HandleSpecialKey(QKeyEvent* event) override;

private:
    TNumEditRange<double> FRange{0.0, 0.0, 0.0, 1.0};
    quint16 FPageMult = 10;
    qint16 FDecimals = 2;
    TDecimalBehaviour FDecimalBenhaviour = dbAuto;
};
