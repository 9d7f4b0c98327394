#include "controls/ShapeExColorSchema.h"

TShapeExColorSchema::TShapeExColorSchema(QObject* owner)
    : QObject(owner)
{
}

void TShapeExColorSchema::SetMouseOverEnabled(bool value)
{
    FMouseOverEnabled = value;
    emit Changed();
}

void TShapeExColorSchema::SetPressedEnabled(bool value)
{
    FPressedEnabled = value;
    emit Changed();
}

const TShapeExColorStyle& TShapeExColorSchema::ChooseStyle(bool enabled, bool down, bool hot, bool pressed) const
{
    if (!enabled)
        return FStyles[Disabled];
    if (pressed && FPressedEnabled)
        return FStyles[down ? PressedDown : PressedUp];
    if (hot && FMouseOverEnabled)
        return FStyles[down ? MouseOverDown : MouseOverUp];
    return FStyles[down ? Down : Default];
}

void TShapeExColorSchema::SetStyle(Kind kind, const TShapeExColorStyle& style)
{
    FStyles[kind] = style;
    emit Changed();
}
