// The settings form of the USB converter transport: it shows the baud rate and changes
// nothing. Its three bottom buttons carry no captions and close nothing; the form ends
// with its close box (or Escape), which counts as cancelled.
#pragma once

#include <QDialog>

#include <cstdint>

class QLabel;

class TfFTDIdialog : public QDialog {
    Q_OBJECT
public:
    explicit TfFTDIdialog(QWidget* owner = nullptr);

    // The label that shows the baud rate.
    QLabel* BaudRateLabel() const { return FBaudRate; }

private:
    QLabel* FBaudRate;
};

// Shows the form modally, centred on the active window, with this baud rate; true when
// the form was accepted.
bool ExecuteFTDIDialog(int32_t baudRate);
