#include "app/uMouseScroller.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

void TMouseScroller::Start(int32_t X, int32_t Y, int32_t OffsetX, int32_t OffsetY)
{
    Active = true;
    OriginX = X - OffsetX;
    OriginY = Y - OffsetY;
}

void TMouseScroller::Move(int32_t X, int32_t Y)
{
    if (!Active) return;
    DeltaX = X - OriginX;
    DeltaY = Y - OriginY;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QPoint cursor = QCursor::pos();
    const QPoint wrapped = WrapCursor(cursor, screen->virtualGeometry());
    if (wrapped != cursor) QCursor::setPos(wrapped);
}

QPoint TMouseScroller::WrapCursor(QPoint cursor, const QRect& desktop)
{
    // The right and bottom edges are exclusive, as in a desktop rectangle.
    const int left = desktop.left(), top = desktop.top();
    const int right = left + desktop.width(), bottom = top + desktop.height();
    if (cursor.x() == right - 1) {
        cursor.setX(left + 1);
        OriginX += left - right + 2;
    } else if (cursor.x() == left) {
        cursor.setX(right - 2);
        OriginX += right - left - 2;
    }
    if (cursor.y() == bottom - 1) {
        cursor.setY(top + 1);
        OriginY += top - bottom + 2;
    } else if (cursor.y() == top) {
        cursor.setY(bottom - 2);
        OriginY += bottom - top - 2;
    }
    return cursor;
}

int32_t DragValue(int32_t DeltaX, int32_t DeltaY)
{
    // Both divisions truncate toward zero, as C++ integer division does.
    const int64_t value = int64_t(DeltaX / 4) - int64_t(DeltaY / 200) * 1000;
    return int32_t(std::clamp<int64_t>(value, 0, 4095));
}
