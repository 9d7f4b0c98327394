#pragma once

#include "controls/ShapeExColorSchema.h"

// The lamp schemas of the main window: black borders and captions, a pale brush when off,
// a bright one when on, grey when disabled; no hover or pressed styles. Each is created
// with its window's component name.
TShapeExColorSchema* CreateLedSchemaG(QObject* owner); // green: shpxclrschmLedG
TShapeExColorSchema* CreateLedSchemaR(QObject* owner); // red: shpxclrschmLedR
TShapeExColorSchema* CreateLedSchemaY(QObject* owner); // yellow: shpxclrschmLedY
