#include "transports/tcp/gui/uf_TCPSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <climits>

namespace {

// The caption the TCP transport asks with, for the translation to know.
const char* const TransportCaption = QT_TRANSLATE_NOOP("TfTCPIPDialog", "Nastavení TCP");

QGroupBox* Group(const QString& title, QWidget* content, const char* name)
{
    auto* box = new QGroupBox(title);
    box->setObjectName(name);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(content);
    return box;
}

// A spin edit without practical limits.
QSpinBox* SpinEdit(const char* name)
{
    auto* edit = new QSpinBox;
    edit->setObjectName(name);
    edit->setRange(INT_MIN, INT_MAX);
    return edit;
}

QPushButton* Button(const QString& text, const char* name)
{
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfTCPIPDialog::TfTCPIPDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName("TfTCPIPDialog");
    setWindowTitle(tr("Configuration"));
    setModal(true);

    FHostEdit = new QLineEdit;
    FHostEdit->setObjectName("edtHost");
    FPortEdit = SpinEdit("sePort");
    auto* remote = new QWidget;
    remote->setObjectName("tsRemote");
    auto* remoteLayout = new QVBoxLayout(remote);
    remoteLayout->addWidget(Group(tr("Host IP"), FHostEdit, "gbHost"));
    remoteLayout->addWidget(Group(tr("Port"), FPortEdit, "gbPort"));

    FLocalPortEdit = SpinEdit("seLocalPort");
    FAutoLocalPort = new QCheckBox(tr("Automatic local port"));
    FAutoLocalPort->setObjectName("cbAutoLocalPort");
    FAutoLocalPort->setVisible(false);
    auto* local = new QWidget;
    local->setObjectName("tsLocal");
    auto* localLayout = new QVBoxLayout(local);
    localLayout->addWidget(Group(tr("Local port"), FLocalPortEdit, "gbLocalPort"));
    localLayout->addWidget(FAutoLocalPort);

    FPages = new QTabWidget;
    FPages->setObjectName("pcPages");
    FPages->addTab(remote, tr("Remote"));
    FPages->addTab(local, tr("Local"));

    auto* ok = Button(tr("OK"), "btnOK");
    auto* cancel = Button(tr("Cancel"), "btnCancel");
    FApply = Button(tr("Apply"), "btnApply");
    FApply->setEnabled(false);
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(FApply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addLayout(buttons);

    connect(FHostEdit, &QLineEdit::textChanged, this, [this] { Changed(); });
    connect(FPortEdit, &QSpinBox::valueChanged, this, [this] { Changed(); });
    connect(FLocalPortEdit, &QSpinBox::valueChanged, this, [this] { Changed(); });
    connect(FAutoLocalPort, &QCheckBox::clicked, this,
            [this] { FLocalPortEdit->setEnabled(!FAutoLocalPort->isChecked()); });
    connect(ok, &QPushButton::clicked, this, [this] {
        Store();
        close();
    });
    connect(FApply, &QPushButton::clicked, this, [this] {
        Store();
        FApply->setEnabled(false);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

void TfTCPIPDialog::SetValues(const std::string& host, int port, int localPort)
{
    FHostEdit->setText(QString::fromStdString(host));
    FPortEdit->setValue(port);
    FLocalPortEdit->setValue(localPort);
    FApply->setEnabled(false);
}

void TfTCPIPDialog::SetLocalPageVisible(bool visible) { FPages->setTabVisible(1, visible); }

void TfTCPIPDialog::Store()
{
    FAccepted = true;
    FHost = FHostEdit->text().toStdString();
    FPort = FPortEdit->value();
    FLocalPort = FAutoLocalPort->isChecked() ? 0 : FLocalPortEdit->value();
}

void TfTCPIPDialog::Changed() { FApply->setEnabled(true); }

bool ExecuteTCPIPDialog(const std::string& caption, std::string& host, uint16_t& port)
{
    TfTCPIPDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption == TransportCaption ? TfTCPIPDialog::tr(TransportCaption)
                                                     : QString::fromStdString(caption));
    dialog.SetValues(host, port, 0);
    dialog.SetLocalPageVisible(false);
    dialog.setFixedSize(dialog.sizeHint());
    dialog.exec();
    if (!dialog.Accepted()) return false;
    host = dialog.StoredHost();
    port = uint16_t(dialog.StoredPort());
    return true;
}
