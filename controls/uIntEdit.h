#pragma once

#include "controls/uNumEdit.h"

// A numeric edit field for whole numbers within [MinValue, MaxValue].
class TIntEdit : public TNumEdit<qint32> {
    Q_OBJECT
public:
    explicit TIntEdit(QWidget* parent = nullptr);

    void Step(bool up, bool page) override;
    void Show() override;
    bool Validate() override;

    // Reads a whole number: leading blanks, a sign and a "$" or "0x" hexadecimal prefix
    // are understood; any other character, or a number beyond 32 bits, fails.
    static bool ReadInteger(const QString& text, qint32& value);

protected:
    bool ReadText(const QString& text, qint32& value) const override { return ReadInteger(text, value); }
};
