// Small builders for the main window's controls: each control is placed at a fixed
// position in its parent and carries its component name as objectName.
#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;

// The channel number a shared handler reads from its control.
void SetTag(QObject* control, int tag);
int Tag(const QObject* control);

QGroupBox* NewGroup(QWidget* parent, const QString& name, const QString& title, const QRect& geometry);
QLabel* NewLabel(QWidget* parent, const QString& text, const QRect& geometry, const QString& name = {});
QPushButton* NewButton(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry,
                       int tag = 0);
QLineEdit* NewReadOnlyField(QWidget* parent, const QString& name, const QRect& geometry,
                            const QString& text = QStringLiteral("-"));
// A numeric edit field (TIntEdit, TDoubleEdit) with its bounds and starting value.
template <class TEdit, class T>
TEdit* NewNumEdit(QWidget* parent, const QString& name, const QRect& geometry, T min, T max, T value)
{
    auto* edit = new TEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->SetMinValue(min);
    edit->SetMaxValue(max);
    edit->SetValue(value);
    return edit;
}
// A lowered panel with a centred caption.
QLabel* NewLoweredPanel(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry);
void SetFontColour(QWidget* control, const QColor& colour);
// Colours written as 0xBBGGRR, the way the desktop's colour constants spell them.
QColor ColourBGR(unsigned value);
