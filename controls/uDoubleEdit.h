#pragma once

#include "controls/uNumEdit.h"

// How a real-number field writes its decimals: shortest form, always Decimals digits,
// or Decimals taken from the last accepted entry.
enum TDecimalBehaviour { dbManual, dbAuto, dbRemember };

// A numeric edit field for real numbers within [MinValue, MaxValue]. Typed "," and "."
// become the locale's decimal separator; the keypad plus key makes the value positive.
class TDoubleEdit : public TNumEdit<double> {
    Q_OBJECT
public:
    explicit TDoubleEdit(QWidget* parent = nullptr);

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
    bool ReadText(const QString& text, double& value) const override { return ReadReal(text, value); }
    QChar MapTypedCharacter(QChar c) const override;
    bool HandleSpecialKey(QKeyEvent* event) override;

private:
    qint16 FDecimals = 2;
    TDecimalBehaviour FDecimalBenhaviour = dbAuto;
};
