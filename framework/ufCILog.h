// The communication log window: the traffic of one communication interface (or of all)
// as coloured, time-stamped lines of hexadecimal bytes, one line per format 97 packet.
//
// The window is the process-wide spy sink from its creation to its destruction. Traffic
// arrives on any thread and is only queued under a lock; a 250 ms timer on the main
// thread moves the queue into the view in one batch (one redraw per tick). Sent packets
// are green, answers with acknowledge 0 blue, other answers red; bytes that form no
// packet, and packets that fail validation, are shown undecoded in magenta. Packets
// whose instruction (or acknowledge) code, as two upper-case hexadecimal digits, occurs
// in the "Disabled Inst" field are hidden together with the packet that follows them
// (the answer).
#pragma once

#include "framework/uLogUtils.h"
#include "framework/uci_SpySink.h"

#include <QWidget>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TfCiLog : public QWidget {
    Q_OBJECT

public:
    explicit TfCiLog(QWidget* parent = nullptr);
    ~TfCiLog() override;

    // Shows the traffic of the interface with this GUID text (empty: every interface)
    // and shows the window, not modal.
    void ShowFor(const std::string& guidText);

    // The spy sink; safe on any thread. Queues the bytes while the window is visible and
    // the interface passes the filter.
    void CollectTraffic(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction);

    void setVisible(bool visible) override;

public slots:
    // Moves every queued record into the view.
    void Timer1Timer();
    // Empties the view; a packet still being received stays and completes later.
    void btnClearClick();
    // Pressed: stops showing (records keep being queued); released: shows again.
    void sbPauseClick(bool down);

private:
    void PrintRecord(const TLogStruct& record);
    // Prints and removes every whole packet at the front of buffer.
    void PrintPackets(std::string& buffer, const TLogStruct& record);
    void PrintUndecodable(const std::string& bytes, double time);
    // Shows one piece of received bytes that cannot be the start of a packet.
    void CutUndecodablePending(double time);

    QPlainTextEdit* reLog;
    QWidget* pnlButtons;
    QPushButton* btnClear;
    QPushButton* sbPause;
    QLineEdit* edtDisabledInst;
    QTimer* Timer1;

    std::mutex FLock; // guards FFilter and FQueue
    std::string FFilter;
    std::vector<TLogStruct> FQueue;
    std::atomic<bool> FVisible{false};
    bool FSkipNext = false; // the next packet answers a hidden request (main thread only)
    std::string FPending;   // received bytes not yet forming a packet (main thread only)
    TSpySink FSink;
};
