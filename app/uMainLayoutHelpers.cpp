#include "app/uMainLayoutHelpers.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVariant>

namespace {
constexpr const char* TagProperty = "Tag";

template <class T>
T* Placed(T* control, const QString& name, const QRect& geometry)
{
    if (!name.isEmpty()) control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}
} // namespace

void SetTag(QObject* control, int tag) { control->setProperty(TagProperty, tag); }

int Tag(const QObject* control) { return control ? control->property(TagProperty).toInt() : 0; }

QGroupBox* NewGroup(QWidget* parent, const QString& name, const QString& title, const QRect& geometry)
{
    return Placed(new QGroupBox(title, parent), name, geometry);
}

QLabel* NewLabel(QWidget* parent, const QString& text, const QRect& geometry, const QString& name)
{
    return Placed(new QLabel(text, parent), name, geometry);
}

QPushButton* NewButton(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry, int tag)
{
    QPushButton* button = Placed(new QPushButton(caption, parent), name, geometry);
    if (tag != 0) SetTag(button, tag);
    return button;
}

QLineEdit* NewReadOnlyField(QWidget* parent, const QString& name, const QRect& geometry, const QString& text)
{
    QLineEdit* field = Placed(new QLineEdit(text, parent), name, geometry);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return field;
}

QLabel* NewLoweredPanel(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry)
{
    QLabel* panel = Placed(new QLabel(caption, parent), name, geometry);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    return panel;
}

void SetFontColour(QWidget* control, const QColor& colour)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    control->setPalette(palette);
}

QColor ColourBGR(unsigned value) { return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF)); }
