#pragma once

#include <QColor>
#include <QObject>

// One set of colours a shape is painted with.
struct TShapeExColorStyle {
    QColor BrushColor = Qt::white;
    QColor BorderColor = Qt::black;
    QColor FontColor = Qt::black;

    bool operator==(const TShapeExColorStyle&) const = default;
};

// The colour styles of a shape's states, shared by many shapes. Setting a style copies its
// colours; every change is announced so that the shapes using the schema repaint.
class TShapeExColorSchema : public QObject {
    Q_OBJECT
public:
    explicit TShapeExColorSchema(QObject* owner = nullptr);

    const TShapeExColorStyle& DefaultColorStyle() const { return FStyles[Default]; }
    void SetDefaultColorStyle(const TShapeExColorStyle& style) { SetStyle(Default, style); }
    bool MouseOverEnabled() const { return FMouseOverEnabled; }
    void SetMouseOverEnabled(bool value);
    const TShapeExColorStyle& MouseOverDownColorStyle() const { return FStyles[MouseOverDown]; }
    void SetMouseOverDownColorStyle(const TShapeExColorStyle& style) { SetStyle(MouseOverDown, style); }
    const TShapeExColorStyle& MouseOverUpColorStyle() const { return FStyles[MouseOverUp]; }
    void SetMouseOverUpColorStyle(const TShapeExColorStyle& style) { SetStyle(MouseOverUp, style); }
    const TShapeExColorStyle& DownColorStyle() const { return FStyles[Down]; }
    void SetDownColorStyle(const TShapeExColorStyle& style) { SetStyle(Down, style); }
    bool PressedEnabled() const { return FPressedEnabled; }
    void SetPressedEnabled(bool value);
    const TShapeExColorStyle& PressedDownColorStyle() const { return FStyles[PressedDown]; }
    void SetPressedDownColorStyle(const TShapeExColorStyle& style) { SetStyle(PressedDown, style); }
    const TShapeExColorStyle& PressedUpColorStyle() const { return FStyles[PressedUp]; }
    void SetPressedUpColorStyle(const TShapeExColorStyle& style) { SetStyle(PressedUp, style); }
    const TShapeExColorStyle& DisabledColorStyle() const { return FStyles[Disabled]; }
    void SetDisabledColorStyle(const TShapeExColorStyle& style) { SetStyle(Disabled, style); }

    // The style of a shape in the given state: disabled first, then pressed (when
    // enabled in the schema), then hot (likewise), then plain down or up.
    const TShapeExColorStyle& ChooseStyle(bool enabled, bool down, bool hot, bool pressed) const;

signals:
    void Changed();

private:
    enum Kind { Default, MouseOverDown, MouseOverUp, Down, PressedDown, PressedUp, Disabled, KindCount };
    void SetStyle(Kind kind, const TShapeExColorStyle& style);

    TShapeExColorStyle FStyles[KindCount];
    bool FMouseOverEnabled = false;
    bool FPressedEnabled = false;
};
