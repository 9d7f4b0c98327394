#pragma once

#include <algorithm>

// The bounds, value and increment of a numeric edit field, with the invariants its
// setters keep: the lower bound never exceeds the upper one, the value stays within
// them (equal bounds force the value to the lower one), the increment stays positive.
template <typename T>
struct TNumEditRange {
    T MinValue{};
    T MaxValue{};
    T Value{};
    T Increment{1};

    T Clamp(T value) const { return MinValue == MaxValue ? MinValue : std::clamp(value, MinValue, MaxValue); }
    // Equal bounds accept anything: the value is then forced to the lower bound.
    bool OutOfRange(T value) const { return MinValue != MaxValue && (value < MinValue || value > MaxValue); }
    void SetMinValue(T value) { MinValue = std::min(value, MaxValue); }
    void SetMaxValue(T value) { MaxValue = std::max(value, MinValue); }
    void SetIncrement(T value)
    {
        if (value > 0)
            Increment = value;
    }
};
