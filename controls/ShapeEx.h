#pragma once

#include "controls/ShapeExColorSchema.h"

#include <QBrush>
#include <QPen>
#include <QPointer>
#include <QWidget>

// The kinds of shape, in their published order.
enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A drawn shape with an optional centred caption and a "down" flag that a click can
// toggle; shapes of one parent sharing a non-zero Group behave as radio buttons. With a
// colour schema, the pen, brush and caption colours follow the state on every paint.
class TShapeEx : public QWidget {
    Q_OBJECT
public:
    explicit TShapeEx(QWidget* parent = nullptr);

    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType value);
    const QPen& Pen() const { return FPen; }
    void SetPen(const QPen& value);
    const QBrush& Brush() const { return FBrush; }
    void SetBrush(const QBrush& value);
    QColor FontColor() const { return FFontColor; }
    void SetFontColor(const QColor& value);
    int RoundCorner() const { return FRoundCorner; }
    void SetRoundCorner(int value);
    TShapeExColorSchema* ColorSchema() const { return FColorSchema; }
    void SetColorSchema(TShapeExColorSchema* value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool Down() const { return FDown; }
    void SetDown(bool value);
    int Group() const { return FGroup; }
    void SetGroup(int value) { FGroup = value; }
    bool AllowDown() const { return FAllowDown; }
    void SetAllowDown(bool value) { FAllowDown = value; }
    bool AllowUp() const { return FAllowUp; }
    void SetAllowUp(bool value) { FAllowUp = value; }
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }
    bool Hot() const { return FHot; }
    bool Pressed() const { return FPressed; }

    // The pixels the shape covers, for a control of the given size and pen width: inset
    // by half the pen, and made square and centred for the square kinds.
    static QRect DrawingBox(QSize size, int penWidth, TShapeType shape);

signals:
    void onClick(TShapeEx* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyStyle();
    void DrawCaption(QPainter& painter, const QRect& box) const;

    TShapeType FShape = stRectangle;
    QPen FPen{Qt::black, 1};
    QBrush FBrush{Qt::white};
    QColor FFontColor = Qt::black;
    int FRoundCorner = 10;
    QPointer<TShapeExColorSchema> FColorSchema;
    QString FCaption;
    bool FDown = false;
    int FGroup = 0;
    bool FAllowDown = false;
    bool FAllowUp = false;
    int FTag = 0;
    bool FHot = false;
    bool FPressed = false;
};
