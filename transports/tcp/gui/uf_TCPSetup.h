// The modal settings dialog of the socket transports: remote host and port, and a
// local port page that transports without a local port hide.
#pragma once

#include <QDialog>

#include <cstdint>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

class TfTCPIPDialog : public QDialog {
    Q_OBJECT
public:
    explicit TfTCPIPDialog(QWidget* owner = nullptr);

    void SetValues(const std::string& host, int port, int localPort);
    void SetLocalPageVisible(bool visible);

    // What OK or Apply stored; Accepted() stays true after an Apply followed by Cancel.
    bool Accepted() const { return FAccepted; }
    const std::string& StoredHost() const { return FHost; }
    int StoredPort() const { return FPort; }
    int StoredLocalPort() const { return FLocalPort; }

private:
    void Store();
    void Changed();

    QTabWidget* FPages;
    QLineEdit* FHostEdit;
    QSpinBox* FPortEdit;
    QSpinBox* FLocalPortEdit;
    QCheckBox* FAutoLocalPort;
    QPushButton* FApply;
    bool FAccepted = false;
    std::string FHost;
    int FPort = 0;
    int FLocalPort = 0;
};

// Shows the dialog with this caption and values; true when accepted, with host and
// port set to the stored values (the port kept in 16 bits).
bool ExecuteTCPIPDialog(const std::string& caption, std::string& host, uint16_t& port);
