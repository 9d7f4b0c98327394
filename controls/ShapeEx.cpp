#include "controls/ShapeEx.h"

#include <QMouseEvent>
#include <QPainter>

TShapeEx::TShapeEx(QWidget* parent)
    : QWidget(parent)
{
    resize(65, 65);
}

void TShapeEx::SetShape(TShapeType value)
{
    FShape = value;
    update();
}

void TShapeEx::SetPen(const QPen& value)
{
    FPen = value;
    update();
}

void TShapeEx::SetBrush(const QBrush& value)
{
    FBrush = value;
    update();
}

void TShapeEx::SetFontColor(const QColor& value)
{
    FFontColor = value;
    update();
}

void TShapeEx::SetRoundCorner(int value)
{
    FRoundCorner = value;
    update();
}

void TShapeEx::SetColorSchema(TShapeExColorSchema* value)
{
    if (FColorSchema)
        disconnect(FColorSchema, nullptr, this, nullptr);
    FColorSchema = value;
    if (value)
        connect(value, &TShapeExColorSchema::Changed, this, qOverload<>(&QWidget::update));
    update();
}

void TShapeEx::SetCaption(const QString& value)
{
    FCaption = value;
    update();
}

void TShapeEx::SetDown(bool value)
{
    if (value == FDown)
        return;
    if (value && FGroup != 0 && parentWidget()) {
        for (TShapeEx* sibling : parentWidget()->findChildren<TShapeEx*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (sibling != this && sibling->Group() == FGroup)
                sibling->SetDown(false);
        }
    }
    FDown = value;
    update();
}

QRect TShapeEx::DrawingBox(QSize size, int penWidth, TShapeType shape)
{
    const int inset = penWidth / 2;
    const int grow = penWidth != 0 ? 1 : 0;
    QRect box(inset, inset, size.width() - penWidth + grow, size.height() - penWidth + grow);
    if (shape == stSquare || shape == stRoundSquare || shape == stCircle) {
        const int side = std::min(box.width(), box.height());
        box = QRect(box.left() + (box.width() - side) / 2, box.top() + (box.height() - side) / 2, side, side);
    }
    return box;
}

// Takes the colours of the state's style; assigned directly, so no further repaint follows.
void TShapeEx::ApplyStyle()
{
    if (!FColorSchema)
        return;
    const TShapeExColorStyle& style = FColorSchema->ChooseStyle(isEnabled(), FDown, FHot, FPressed);
    FBrush.setColor(style.BrushColor);
    FPen.setColor(style.BorderColor);
    FFontColor = style.FontColor;
}

void TShapeEx::paintEvent(QPaintEvent*)
{
    ApplyStyle();
    const QRect box = DrawingBox(size(), FPen.width(), FShape);
    QPainter painter(this);
    // Curves are smoothed; straight edges stay on whole pixels and keep their exact colours.
    painter.setRenderHint(QPainter::Antialiasing, FShape != stRectangle && FShape != stSquare);
    painter.setPen(FPen);
    painter.setBrush(FBrush);
    // Through the centres of the box's outer pixels: a one-pixel outline then covers them exactly.
    const QRectF outline = QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (FShape) {
    case stRectangle:
    case stSquare:
        painter.drawRect(outline);
        break;
    case stRoundRect:
    case stRoundSquare:
        painter.drawRoundedRect(outline, FRoundCorner / 2.0, FRoundCorner / 2.0);
        break;
    case stEllipse:
    case stCircle:
        painter.drawEllipse(outline);
        break;
    }
    if (!FCaption.isEmpty())
        DrawCaption(painter, box);
}

void TShapeEx::DrawCaption(QPainter& painter, const QRect& box) const
{
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(FCaption);
    const int x = qRound(box.left() + box.width() / 2.0 - textWidth / 2.0);
    const int y = qRound(box.top() + box.height() / 2.0 - metrics.height() / 2.0) - 1;
    painter.setFont(font());
    painter.setPen(FFontColor);
    painter.drawText(QPoint(x, y + metrics.ascent()), FCaption);
}

void TShapeEx::enterEvent(QEnterEvent*)
{
    FHot = true;
    update();
}

void TShapeEx::leaveEvent(QEvent*)
{
    FHot = false;
    update();
}

void TShapeEx::mousePressEvent(QMouseEvent*)
{
    FPressed = true;
    update();
}

// The down flag changes before the click is announced, so handlers see the new state.
void TShapeEx::mouseReleaseEvent(QMouseEvent* event)
{
    FPressed = false;
    update();
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    if (FDown && FAllowUp)
        SetDown(false);
    else if (!FDown && FAllowDown)
        SetDown(true);
    emit onClick(this);
}
