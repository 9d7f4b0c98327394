// Drag tracker of an analog output's raw value panel. The mouse drags a value without
// limit: when the cursor reaches an edge of the virtual desktop it jumps to the opposite
// edge and the origin moves with it, so the deltas keep growing smoothly.
#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>

class TMouseScroller {
public:
    int32_t OriginX = 0;
    int32_t OriginY = 0;
    int32_t DeltaX = 0;
    int32_t DeltaY = 0;
    bool Active = false;

    void Start(int32_t X, int32_t Y, int32_t OffsetX, int32_t OffsetY);
    // Updates the deltas and wraps the cursor at the edges of the virtual desktop.
    void Move(int32_t X, int32_t Y);
    void Stop() { Active = false; }

    // The wrap step of Move with the desktop rectangle and cursor position given: the
    // new cursor position, or the same one when it is not on an edge.
    QPoint WrapCursor(QPoint cursor, const QRect& desktop);
};

// Raw output value of a drag: 4 pixels right raise it by 1, every full 200 pixels up by
// 1000; limited to 0..4095.
int32_t DragValue(int32_t DeltaX, int32_t DeltaY);
