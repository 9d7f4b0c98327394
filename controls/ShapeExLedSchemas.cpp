#include "controls/ShapeExLedSchemas.h"

namespace {

TShapeExColorSchema* CreateLedSchema(QObject* owner, const char* name, QColor off, QColor on)
{
    auto* schema = new TShapeExColorSchema(owner);
    schema->setObjectName(QLatin1String(name));
    schema->SetDefaultColorStyle({off, Qt::black, Qt::black});
    schema->SetDownColorStyle({on, Qt::black, Qt::black});
    schema->SetDisabledColorStyle({QColor(224, 224, 224), QColor(128, 128, 128), Qt::black});
    return schema;
}

} // namespace

TShapeExColorSchema* CreateLedSchemaG(QObject* owner)
{
    return CreateLedSchema(owner, "shpxclrschmLedG", QColor(224, 240, 224), QColor(64, 255, 64));
}

TShapeExColorSchema* CreateLedSchemaR(QObject* owner)
{
    return CreateLedSchema(owner, "shpxclrschmLedR", QColor(240, 224, 224), QColor(255, 64, 64));
}

TShapeExColorSchema* CreateLedSchemaY(QObject* owner)
{
    return CreateLedSchema(owner, "shpxclrschmLedY", QColor(232, 232, 208), QColor(255, 255, 32));
}
