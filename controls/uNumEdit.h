#pragma once

#include "controls/uCustomNumEdit.h"
#include "controls/uNumEditRange.h"

// What the whole-number and real-number fields share: the bounded value with its
// increment and page multiplier, kept in a TNumEditRange and shown after every change.
// A kind supplies how its text is read (ReadText) besides Step, Show and Validate.
template <typename T>
class TNumEdit : public TMyCustomNumEdit {
public:
    T MinValue() const { return FRange.MinValue; }
    void SetMinValue(T value)
    {
        FRange.SetMinValue(value);
        SetValue(FRange.Value);
    }
    T MaxValue() const { return FRange.MaxValue; }
    void SetMaxValue(T value)
    {
        FRange.SetMaxValue(value);
        SetValue(FRange.Value);
    }
    // Reads the text each time; a text that is not a number gives 0.
    T Value() const
    {
        T value{};
        return ReadText(text(), value) ? value : T{};
    }
    void SetValue(T value)
    {
        FRange.Value = FRange.Clamp(value);
        Show();
    }
    T Increment() const { return FRange.Increment; }
    void SetIncrement(T value) { FRange.SetIncrement(value); }
    quint16 PageMult() const { return FPageMult; }
    void SetPageMult(quint16 value) { FPageMult = value; }

protected:
    TNumEdit(QWidget* parent, const TNumEditRange<T>& range) : TMyCustomNumEdit(parent), FRange(range) {}

    // Reads the text as this kind's number into value; false (value untouched) otherwise.
    virtual bool ReadText(const QString& text, T& value) const = 0;
    // Takes a number typed but not yet validated as the value a step starts from.
    void TakeShownValue()
    {
        T shown = FRange.Value;
        SetValue(ReadText(text(), shown) ? shown : FRange.Value);
    }
    void ShowValueSign() { ShowSign(FRange.Value < T{} ? -1 : FRange.Value > T{} ? 1 : 0); }

    TNumEditRange<T> FRange;
    quint16 FPageMult = 10;
};
