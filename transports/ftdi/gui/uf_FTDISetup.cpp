#include "transports/ftdi/gui/uf_FTDISetup.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TfFTDIdialog::TfFTDIdialog(QWidget* owner) : QDialog(owner)
{
    setObjectName("fFTDIdialog");
    setWindowTitle("fFTDIdialog");
    setModal(true);
    setFixedSize(315, 258);

    auto* group = new QGroupBox("GroupBox1");
    group->setObjectName("GroupBox1");
    auto* caption = new QLabel(tr("Baud rate:"));
    caption->setObjectName("Label1");
    FBaudRate = new QLabel;
    FBaudRate->setObjectName("lblBaudRate");
    auto* groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(caption);
    groupLayout->addWidget(FBaudRate, 1);

    auto* panel = new QWidget;
    panel->setObjectName("Panel1");
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addStretch(1);
    for (const char* name : {"Button1", "Button2", "Button3"}) {
        auto* button = new QPushButton;
        button->setObjectName(name);
        button->setAutoDefault(false);
        panelLayout->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group, 1);
    layout->addWidget(panel);
}

bool ExecuteFTDIDialog(int32_t baudRate)
{
    QWidget* owner = QApplication::activeWindow();
    TfFTDIdialog dialog(owner);
    dialog.BaudRateLabel()->setText(QString::number(baudRate));
    if (owner) dialog.move(owner->geometry().center() - dialog.rect().center());
    return dialog.exec() == QDialog::Accepted;
}
