// The communication log window: the traffic of one communication interface (or of all)
// as coloured, time-stamped lines of hexadecimal bytes, one line per packet of the format
// the window is given (the application gives format 97, Tarvel97PacketFormat).
//
// The window is the process-wide spy sink from its creation to its destruction, and
// passes every byte string on to the sink it replaced (the "DST" monitor). Traffic
// arrives on any thread and is only queued under a lock; a 250 ms timer on the main
// thread moves the queue into the view in one batch (one redraw per tick). The format's
// framer cuts the traffic: sent packets are green, answers with acknowledge 0 blue, other
// answers red; bytes that form no valid packet are shown undecoded in magenta. Packets
// whose instruction (or acknowledge) code, as two upper-case hexadecimal digits, occurs
// in the "Disabled Inst" field are hidden together with the packet that follows them
// (the answer).
//
// The view keeps the last MaxLines() lines (100 000 unless set otherwise), so a log
// left open for days stays bounded; the same lines are kept as records, from which
// "Uložit…" writes them to a text file (time with milliseconds, direction, hexadecimal
// and ASCII) and the "ASCII" check box draws the view again with an ASCII column.
//
// With traffic tools (SetTrafficTools) each packet line gets a decoded column (the
// instruction's name and a short reading) and "Uložit…" offers a capture for Wireshark
// beside the text file.
#pragma once

#include "framework/gui/uLogTrafficTools.h"
#include "framework/gui/uLogUtils.h"
#include "framework/uPacketFormat.h"
#include "framework/uci_SpySink.h"

#include <QWidget>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

class TfCiLog : public QWidget {
    Q_OBJECT

public:
    static constexpr int DefaultMaxLines = 100000;

    explicit TfCiLog(const TPacketFormat& format, QWidget* parent = nullptr);
    ~TfCiLog() override;

    // Shows the traffic of the interface with this GUID text (empty: every interface)
    // and shows the window, not modal.
    void ShowFor(const std::string& guidText);
    // A link that replaced another (a reconnect): a view that followed the old GUID text
    // follows the new one; any other filter stays.
    void FollowReplacement(const std::string& oldGuidText, const std::string& newGuidText);

    // The spy sink; safe on any thread. Passes the bytes on to the replaced sink, and
    // queues them while the window is visible and the interface passes the filter.
    void CollectTraffic(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction);

    void setVisible(bool visible) override;

    // The number of lines the view keeps (at least 1); the oldest lines go first.
    int MaxLines() const { return FMaxLines; }
    void SetMaxLines(int lines);
    // Writes the lines the view holds to a text file, one line each as LogFileLine
    // formats it. False when the file cannot be written.
    bool SaveLog(const QString& path) const;
    // The protocol's decoder and capture writer (not owned; may be null: none).
    void SetTrafficTools(ILogTrafficTools* tools) { FTools = tools; }
    // Writes the lines the view holds as a capture through the traffic tools; false with
    // the reason when there are none or the file cannot be written.
    bool SaveCapture(const QString& path, std::string& error) const;

public slots:
    // Moves every queued record into the view.
    void Timer1Timer();
    // Empties the view; a packet still being received stays and completes later.
    void btnClearClick();
    // Pressed: stops showing (records keep being queued); released: shows again.
    void sbPauseClick(bool down);
    // Asks for a file name and saves the log there.
    void btnSaveClick();
    // Draws the view again with or without the ASCII column.
    void chbAsciiClick(bool checked);

private:
    void PrintRecord(const TLogStruct& record);
    // Prints every packet the framer completes; the bytes it drops join FNoise.
    void PrintPieces(TPacketFramer& framer, const TLogStruct& record);
    void PrintPacket(const std::string& packet, const TLogStruct& record);
    // Shows FNoise in lines that end at a carriage return or after UndecodableLimit
    // bytes: all of it, or while more than UndecodableLimit bytes remain (they may
    // still be followed by a packet).
    void PrintNoise(double time, uint8_t direction, bool all);
    // Keeps the line (within the bound) and shows it.
    void PrintLine(TLogLine line);
    void ShowLine(const TLogLine& line);
    // Runs print with the view's redraw suspended, as one edit, then shows the end.
    template <class Print>
    void InOneEdit(Print&& print);
    // Removes the view's oldest lines beyond MaxLines().
    void TrimView();

    QPlainTextEdit* reLog;
    QWidget* pnlButtons;
    QPushButton* btnClear;
    QPushButton* sbPause;
    QLineEdit* edtDisabledInst;
    QCheckBox* chbAscii;
    QPushButton* btnSave;
    QTimer* Timer1;

    const size_t FCodeIndex;
    std::mutex FLock; // guards FFilter and FQueue
    std::string FFilter;
    std::vector<TLogStruct> FQueue;
    std::atomic<bool> FVisible{false};
    bool FSkipNext = false; // the next packet answers a hidden request (main thread only)
    // Main thread only: the framers of the received stream and of each sent record, and
    // the bytes they dropped that are not shown yet.
    std::unique_ptr<TPacketFramer> FReceived;
    std::unique_ptr<TPacketFramer> FSent;
    std::string FNoise;
    std::deque<TLogLine> FLines; // the lines the view shows, oldest first (main thread only)
    int FMaxLines = DefaultMaxLines;
    TSpySink FSink;
    TSpySink FNextSink; // the sink installed before this window's (the "DST" monitor), fed too
    ILogTrafficTools* FTools = nullptr;
    std::string FRecordLink; // GUID text of the interface of the record being printed (main thread only)
};
