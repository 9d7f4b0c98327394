// The line writer of the communication log: coloured, time-stamped lines appended to a
// text view, the record in which spied traffic waits for the view, and the record of a
// printed line from which the log is saved to a file.
#pragma once

#include <QColor>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

class QPlainTextEdit;
class QWidget;

// A colour as the number 0xBBGGRR: red in the low byte, blue in the high byte.
using TColor = uint32_t;

QColor ColorFromTColor(TColor colour);

// One spied byte string waiting to be shown.
struct TLogStruct {
    std::string Bytes;     // may be empty
    double Time = 0;       // desktop date-time (days) at which it was queued
    uint8_t Direction = 0; // 1 sent, 2 received
    std::string Link;      // GUID text of the interface
};

// One printed line of the log, kept beside the view so that the log can be saved and
// drawn again (with or without its ASCII column).
struct TLogLine {
    double Time = 0;       // desktop date-time (days) of the traffic
    uint8_t Direction = 0; // 1 sent, 2 received
    TColor Colour = 0;
    std::string Bytes;
    bool Unframed = false; // bytes that formed no packet, or a damaged one
    std::string Link;      // GUID text of the interface
    std::string Reading;   // the decoded column; empty without traffic tools
};

// The bytes as upper-case hexadecimal pairs separated by single spaces ("2A 61 00").
QString HexBytes(std::string_view bytes);
// The bytes as ASCII text: printable characters as they are, every other byte as ".".
QString AsciiBytes(std::string_view bytes);
// A desktop date-time as "yyyy-MM-dd hh:mm:ss.zzz".
QString FormatLogTimeMs(double time);
// One line of a saved log: time with milliseconds, "TX" (sent) or "RX" (received), the
// bytes in hexadecimal and, between bars, as ASCII:
// "2026-12-07 09:05:03.250 TX 2A 61 31  |*a1|".
QString LogFileLine(const TLogLine& line);

// Suspends a widget's repaints for the lifetime of the guard; nests (an inner guard
// leaves the widget as the outer one set it).
class TUpdatesSuspended {
public:
    explicit TUpdatesSuspended(QWidget* widget);
    ~TUpdatesSuspended();
    TUpdatesSuspended(const TUpdatesSuspended&) = delete;
    TUpdatesSuspended& operator=(const TUpdatesSuspended&) = delete;

private:
    QWidget* FWidget;
    bool FWasEnabled;
};

// Appends one line to the view: when time is not 0, the stamp "[yyyy-MM-dd hh:mm:ss] "
// in black, small monospace; then text in the given colour. With replaceLast the last
// line (if any) is replaced instead. With scroll the view shows its end afterwards. The
// user's selection in the view is kept. A non-empty column follows the text after two
// spaces, in the same colour and a fixed-pitch font (the log's ASCII column).
void AppendLogLine(QPlainTextEdit* view, const QString& text, TColor colour, bool replaceLast, double time,
                   bool scroll, const QString& column = QString());

// Scrolls the view to its last line.
void ScrollLogToEnd(QPlainTextEdit* view);
