#include "framework/gui/uLogUtils.h"

#include "framework/uDateTime.h"
#include "framework/uci_SpySink.h"

#include <QDateTime>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCharFormat>
#include <QTextCursor>

namespace {

// The first of the wanted families that is installed, else the system font of the kind.
QString InstalledFamily(const QStringList& wanted, QFontDatabase::SystemFont kind)
{
    for (const QString& family : wanted)
        if (QFontDatabase::hasFamily(family)) return family;
    return QFontDatabase::systemFont(kind).family();
}

QTextCharFormat MakeFormat(const QString& family, int pointSize, const QColor& colour)
{
    QTextCharFormat format;
    format.setFontFamilies({family});
    format.setFontPointSize(pointSize);
    format.setForeground(colour);
    return format;
}

const QTextCharFormat& StampFormat()
{
    static const QTextCharFormat format = MakeFormat(
        InstalledFamily({"Lucida Console", "DejaVu Sans Mono"}, QFontDatabase::FixedFont), 6, Qt::black);
    return format;
}

QTextCharFormat TextFormat(TColor colour)
{
    static const QString family = InstalledFamily({"Calibri", "DejaVu Sans"}, QFontDatabase::GeneralFont);
    return MakeFormat(family, 10, ColorFromTColor(colour));
}

QTextCharFormat ColumnFormat(TColor colour)
{
    static const QString family = InstalledFamily({"Lucida Console", "DejaVu Sans Mono"}, QFontDatabase::FixedFont);
    return MakeFormat(family, 10, ColorFromTColor(colour));
}

QString TimeStamp(double time)
{
    return QLatin1Char('[') + QString::fromStdString(FormatDateTimeIso(time)) + QLatin1String("] ");
}

} // namespace

QColor ColorFromTColor(TColor colour)
{
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

QString HexBytes(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() * 3);
    for (unsigned char b : bytes) {
        if (!text.isEmpty()) text += QLatin1Char(' ');
        text += QLatin1Char(digits[b >> 4]);
        text += QLatin1Char(digits[b & 0x0F]);
    }
    return text;
}

QString AsciiBytes(std::string_view bytes)
{
    QString text;
    text.reserve(qsizetype(bytes.size()));
    for (unsigned char b : bytes) text += QLatin1Char(b >= 0x20 && b < 0x7F ? char(b) : '.');
    return text;
}

QString FormatLogTimeMs(double time)
{
    // The desktop date-time counts local wall-clock time: read as UTC, it converts without
    // a time zone shift.
    const qint64 ms = qRound64((time - UnixEpochDateTime) * 86400000.0);
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
}

QString LogFileLine(const TLogLine& line)
{
    const QLatin1String direction(line.Direction == SpyDirectionSent ? " TX " : " RX ");
    return FormatLogTimeMs(line.Time) + direction + HexBytes(line.Bytes) + QLatin1String("  |") +
           AsciiBytes(line.Bytes) + QLatin1Char('|');
}

TUpdatesSuspended::TUpdatesSuspended(QWidget* widget) : FWidget(widget), FWasEnabled(widget->updatesEnabled())
{
    if (FWasEnabled) FWidget->setUpdatesEnabled(false);
}

TUpdatesSuspended::~TUpdatesSuspended()
{
    if (FWasEnabled) FWidget->setUpdatesEnabled(true);
}

void AppendLogLine(QPlainTextEdit* view, const QString& text, TColor colour, bool replaceLast, double time,
                   bool scroll, const QString& column)
{
    TUpdatesSuspended suspended(view);
    // A cursor of its own writes at the end, so the view's cursor and selection stay.
    QTextCursor cursor(view->document());
    cursor.movePosition(QTextCursor::End);
    if (!view->document()->isEmpty()) {
        if (replaceLast) {
            cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        } else {
            cursor.insertBlock();
        }
    }
    if (time != 0) cursor.insertText(TimeStamp(time), StampFormat());
    cursor.insertText(text, TextFormat(colour));
    if (!column.isEmpty()) cursor.insertText(QLatin1String("  ") + column, ColumnFormat(colour));
    if (scroll) ScrollLogToEnd(view);
}

void ScrollLogToEnd(QPlainTextEdit* view)
{
    QScrollBar* bar = view->verticalScrollBar();
    bar->setValue(bar->maximum());
}
