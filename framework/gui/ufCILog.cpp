#include "framework/gui/ufCILog.h"

#include "framework/uDateTime.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "framework/uiNodedInterface.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr TColor ColorSent = 0x008000;         // green
constexpr TColor ColorAnswerOk = 0xFF0000;     // blue
constexpr TColor ColorAnswerError = 0x0000FF;  // red
constexpr TColor ColorUndecodable = 0xFF00FF;  // magenta
constexpr size_t UndecodableLimit = 40;        // pending bytes held back before showing them

} // namespace

TfCiLog::TfCiLog(const TPacketFormat& format, QWidget* parent)
    : QWidget(parent, Qt::Tool), FCodeIndex(format.CodeIndex), FReceived(format.MakeFramer()),
      FSent(format.MakeFramer())
{
    setWindowTitle(tr("Komunikační log"));

    reLog = new QPlainTextEdit(this);
    reLog->setObjectName("reLog");
    reLog->setReadOnly(true);
    reLog->setUndoRedoEnabled(false);
    reLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    pnlButtons = new QWidget(this);
    pnlButtons->setObjectName("pnlButtons");
    pnlButtons->setFixedHeight(35);
    btnClear = new QPushButton(tr("Vymazat"), pnlButtons);
    btnClear->setObjectName("btnClear");
    sbPause = new QPushButton(tr("Pozastavit"), pnlButtons);
    sbPause->setObjectName("sbPause");
    sbPause->setCheckable(true);
    edtDisabledInst = new QLineEdit(tr("Zakázané instrukce"), pnlButtons);
    edtDisabledInst->setObjectName("edtDisabledInst");
    chbAscii = new QCheckBox(tr("ASCII"), pnlButtons);
    chbAscii->setObjectName("chbAscii");
    btnSave = new QPushButton(tr("Uložit…"), pnlButtons);
    btnSave->setObjectName("btnSave");

    auto* buttons = new QHBoxLayout(pnlButtons);
    buttons->setContentsMargins(4, 2, 4, 2);
    buttons->addWidget(btnClear);
    buttons->addWidget(sbPause);
    buttons->addWidget(edtDisabledInst, 1);
    buttons->addWidget(chbAscii);
    buttons->addWidget(btnSave);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(reLog, 1);
    layout->addWidget(pnlButtons);

    resize(581, 546);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &TfCiLog::Timer1Timer);
    connect(btnClear, &QPushButton::clicked, this, &TfCiLog::btnClearClick);
    connect(sbPause, &QPushButton::toggled, this, &TfCiLog::sbPauseClick);
    connect(btnSave, &QPushButton::clicked, this, &TfCiLog::btnSaveClick);
    connect(chbAscii, &QCheckBox::toggled, this, &TfCiLog::chbAsciiClick);
    Timer1->start();

    FSink = TSpySink::Bind<&TfCiLog::CollectTraffic>(this);
    FNextSink = ExchangeSpySink(FSink);
}

TfCiLog::~TfCiLog()
{
    // Once this returns no transport thread is inside CollectTraffic, and none enters it;
    // the sink this window replaced gets the traffic again.
    RemoveSpySink(FSink, FNextSink);
}

void TfCiLog::ShowFor(const std::string& guidText)
{
    {
        std::lock_guard lock(FLock);
        FFilter = guidText;
    }
    show();
    raise();
}

void TfCiLog::FollowReplacement(const std::string& oldGuidText, const std::string& newGuidText)
{
    std::lock_guard lock(FLock);
    if (!oldGuidText.empty() && FFilter == oldGuidText) FFilter = newGuidText;
}

void TfCiLog::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    FVisible = isVisible();
}

void TfCiLog::CollectTraffic(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
{
    if (FNextSink) {
        try {
            FNextSink(intf, bytes, direction);
        } catch (...) {
            // The window's own copy must not depend on the sink it passes the traffic to.
        }
    }
    if (!intf || !FVisible || bytes.empty()) return;
    std::string guid;
    IntfPtr<INodedInterface> node;
    if (Supports<INodedInterface>(intf, node)) guid = node->GetGUIDString();
    std::lock_guard lock(FLock);
    if (!FFilter.empty() && FFilter != guid) return;
    FQueue.push_back(TLogStruct{bytes, NowDateTime(), direction, guid});
}

template <class Print>
void TfCiLog::InOneEdit(Print&& print)
{
    TUpdatesSuspended suspended(reLog);
    QTextCursor block(reLog->document());
    block.beginEditBlock();
    print();
    block.endEditBlock();
    TrimView();
    ScrollLogToEnd(reLog);
}

void TfCiLog::TrimView()
{
    // A separate edit: within the one that appends, the view would lay out every line it
    // holds again instead of only the new ones.
    const int excess = reLog->document()->blockCount() - FMaxLines;
    if (excess <= 0) return;
    // Selected by position: moving a cursor block by block costs far more than the removal.
    QTextCursor front(reLog->document());
    front.setPosition(reLog->document()->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
    front.removeSelectedText();
}

void TfCiLog::Timer1Timer()
{
    std::vector<TLogStruct> batch;
    {
        // Only the swap happens under the lock, so transport threads never wait for the view.
        std::lock_guard lock(FLock);
        batch.swap(FQueue);
    }
    if (batch.empty()) return;
    InOneEdit([&] {
        for (const TLogStruct& record : batch) PrintRecord(record);
    });
}

void TfCiLog::PrintRecord(const TLogStruct& record)
{
    FRecordLink = record.Link;
    if (record.Direction == SpyDirectionReceived) {
        FReceived->Append(record.Bytes);
        PrintPieces(*FReceived, record);
        PrintNoise(record.Time, SpyDirectionReceived, false);
    } else if (record.Direction == SpyDirectionSent && !record.Bytes.empty()) {
        // A request ends whatever answer was pending: what is left of it never forms a packet.
        FNoise += FReceived->Unframed();
        FReceived->Clear();
        PrintNoise(record.Time, SpyDirectionReceived, true);
        FSent->Append(record.Bytes);
        PrintPieces(*FSent, record);
        FNoise += FSent->Unframed();
        FSent->Clear();
        PrintNoise(record.Time, SpyDirectionSent, true);
    }
}

void TfCiLog::PrintPieces(TPacketFramer& framer, const TLogStruct& record)
{
    std::string bytes;
    for (bool packet = false; framer.NextPiece(bytes, packet);) {
        if (!packet) {
            FNoise += bytes;
            continue;
        }
        PrintNoise(record.Time, record.Direction, true);
        PrintPacket(bytes, record);
    }
}

void TfCiLog::PrintPacket(const std::string& packet, const TLogStruct& record)
{
    if (edtDisabledInst->text().contains(HexBytes(packet.substr(FCodeIndex, 1)), Qt::CaseSensitive)) {
        FSkipNext = true;
        return;
    }
    if (FSkipNext) {
        FSkipNext = false;
        return;
    }
    const uint8_t code = static_cast<uint8_t>(packet[FCodeIndex]);
    const TColor colour =
        record.Direction == SpyDirectionSent ? ColorSent : (code == 0 ? ColorAnswerOk : ColorAnswerError);
    TLogLine line{record.Time, record.Direction, colour, packet};
    if (FTools) line.Reading = FTools->Describe(packet, record.Direction, record.Time);
    PrintLine(std::move(line));
}

void TfCiLog::PrintNoise(double time, uint8_t direction, bool all)
{
    size_t from = 0;
    // The next carriage return is looked for once per line it ends, so cutting stays linear.
    size_t cr = FNoise.find('\r');
    while (FNoise.size() - from > (all ? 0 : UndecodableLimit)) {
        if (cr != std::string::npos && cr < from) cr = FNoise.find('\r', from);
        const size_t length = cr == std::string::npos ? std::min(UndecodableLimit, FNoise.size() - from) : cr + 1 - from;
        PrintLine({time, direction, ColorUndecodable, FNoise.substr(from, length)});
        from += length;
    }
    FNoise.erase(0, from);
}

void TfCiLog::PrintLine(TLogLine line)
{
    line.Link = FRecordLink;
    line.Unframed = line.Colour == ColorUndecodable;
    // The view drops its oldest lines after each batch (TrimView), in step with these records.
    FLines.push_back(std::move(line));
    if (FLines.size() > size_t(FMaxLines)) FLines.pop_front();
    ShowLine(FLines.back());
}

void TfCiLog::ShowLine(const TLogLine& line)
{
    QString column = chbAscii->isChecked() ? AsciiBytes(line.Bytes) : QString();
    if (!line.Reading.empty())
        column += (column.isEmpty() ? QString() : QStringLiteral("  ")) + QString::fromStdString(line.Reading);
    AppendLogLine(reLog, HexBytes(line.Bytes), line.Colour, false, line.Time, true, column);
}

void TfCiLog::SetMaxLines(int lines)
{
    FMaxLines = std::max(lines, 1);
    while (FLines.size() > size_t(FMaxLines)) FLines.pop_front();
    TUpdatesSuspended suspended(reLog);
    TrimView();
}

bool TfCiLog::SaveLog(const QString& path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) return false;
    for (const TLogLine& line : FLines) file.write((LogFileLine(line) + QLatin1Char('\n')).toUtf8());
    return file.commit();
}

bool TfCiLog::SaveCapture(const QString& path, std::string& error) const
{
    if (!FTools) {
        error = "no capture format";
        return false;
    }
    return FTools->SaveCapture(FLines, path, error);
}

void TfCiLog::btnSaveClick()
{
    const QString suggested =
        QStringLiteral("log-%1.txt").arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")));
    const QString textFilter = QStringLiteral("Text (*.txt)");
    const QString captureFilter = FTools ? FTools->CaptureFilter() : QString();
    QString chosen;
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Uložit log"), suggested,
        captureFilter.isEmpty() ? textFilter : textFilter + QStringLiteral(";;") + captureFilter, &chosen);
    if (path.isEmpty()) return;
    std::string error;
    if (!captureFilter.isEmpty() && chosen == captureFilter ? SaveCapture(path, error) : SaveLog(path)) return;
    QMessageBox::warning(this, windowTitle(), tr("Soubor %1 se nepodařilo uložit.").arg(path));
}

void TfCiLog::chbAsciiClick(bool)
{
    reLog->clear();
    InOneEdit([&] {
        for (const TLogLine& line : FLines) ShowLine(line);
    });
}

void TfCiLog::btnClearClick()
{
    reLog->clear();
    FLines.clear();
    if (FTools) FTools->Reset();
    std::lock_guard lock(FLock);
    // The received records at the end of the queue may hold the rest of a packet whose
    // start is already pending: keep them (and the pending start) for the next tick.
    size_t tail = FQueue.size();
    while (tail > 0 && FQueue[tail - 1].Direction == SpyDirectionReceived) --tail;
    std::string received;
    for (size_t i = tail; i < FQueue.size(); ++i) received += FQueue[i].Bytes;
    // A request in the queue ends what was pending before it.
    if (tail != 0) {
        FReceived->Clear();
        FNoise.clear();
    }
    FQueue.clear();
    // A received record, even an empty one, makes the next tick look at the pending bytes again.
    FQueue.push_back(TLogStruct{received, NowDateTime(), SpyDirectionReceived});
}

void TfCiLog::sbPauseClick(bool down)
{
    if (down)
        Timer1->stop();
    else
        Timer1->start();
}
