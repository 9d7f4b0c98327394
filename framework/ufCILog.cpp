#include "framework/ufCILog.h"

#include "framework/uiNodedInterface.h"
#include "framework/uci_ICommunicationInterfaceIntf.h"
#include "protocol/uDateTime.h"
#include "protocol/uTarvel97.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr TColor ColorSent = 0x008000;         // green
constexpr TColor ColorAnswerOk = 0xFF0000;     // blue
constexpr TColor ColorAnswerError = 0x0000FF;  // red
constexpr TColor ColorUndecodable = 0xFF00FF;  // magenta
constexpr size_t UndecodableLimit = 40;        // pending bytes held back before showing them
constexpr size_t CodeIndex = 6;                // instruction or acknowledge byte of a packet

} // namespace

TfCiLog::TfCiLog(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("Komunikační log"));

    reLog = new QPlainTextEdit(this);
    reLog->setObjectName("reLog");
    reLog->setReadOnly(true);
    reLog->setUndoRedoEnabled(false);
    reLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    pnlButtons = new QWidget(this);
    pnlButtons->setObjectName("pnlButtons");
    pnlButtons->setFixedHeight(35);
    btnClear = new QPushButton(QStringLiteral("Clear"), pnlButtons);
    btnClear->setObjectName("btnClear");
    sbPause = new QPushButton(QStringLiteral("Pause"), pnlButtons);
    sbPause->setObjectName("sbPause");
    sbPause->setCheckable(true);
    edtDisabledInst = new QLineEdit(QStringLiteral("Disabled Inst"), pnlButtons);
    edtDisabledInst->setObjectName("edtDisabledInst");

    auto* buttons = new QHBoxLayout(pnlButtons);
    buttons->setContentsMargins(4, 2, 4, 2);
    buttons->addWidget(btnClear);
    buttons->addWidget(sbPause);
    buttons->addWidget(edtDisabledInst, 1);

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
    Timer1->start();

    FSink = TSpySink::Bind<&TfCiLog::CollectTraffic>(this);
    SetSpySink(FSink);
}

TfCiLog::~TfCiLog()
{
    // Once this returns no transport thread is inside CollectTraffic, and none enters it.
    RemoveSpySink(FSink);
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

void TfCiLog::setVisible(bool visible)
{
    QWidget::setVisible(visible);
    FVisible = isVisible();
}

void TfCiLog::CollectTraffic(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
{
    if (!intf || !FVisible || bytes.empty()) return;
    std::string guid;
    IntfPtr<INodedInterface> node;
    if (Supports<INodedInterface>(intf, node)) guid = node->GetGUIDString();
    std::lock_guard lock(FLock);
    if (!FFilter.empty() && FFilter != guid) return;
    FQueue.push_back(TLogStruct{bytes, NowDateTime(), direction});
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
    TUpdatesSuspended suspended(reLog);
    QTextCursor block(reLog->document());
    block.beginEditBlock();
    for (const TLogStruct& record : batch) PrintRecord(record);
    block.endEditBlock();
    ScrollLogToEnd(reLog);
}

void TfCiLog::PrintRecord(const TLogStruct& record)
{
    if (record.Direction == SpyDirectionReceived) {
        FPending += record.Bytes;
        PrintPackets(FPending, record);
        CutUndecodablePending(record.Time);
    } else if (record.Direction == SpyDirectionSent && !record.Bytes.empty()) {
        // A request ends whatever answer was pending: what is left of it never forms a packet.
        if (!FPending.empty()) {
            PrintUndecodable(FPending, record.Time);
            FPending.clear();
        }
        std::string packets = record.Bytes;
        PrintPackets(packets, record);
    }
}

void TfCiLog::PrintPackets(std::string& buffer, const TLogStruct& record)
{
    const QString disabled = edtDisabledInst->text();
    for (;;) {
        const std::string packet = ExtractTarvel97Packet(buffer, true);
        if (packet.empty()) return;
        // A packet that fails validation is corrupt traffic: shown as bytes, never decoded.
        if (ValidateTarvel97Packet(packet) != 0) {
            PrintUndecodable(packet, record.Time);
            continue;
        }
        const uint8_t code = static_cast<uint8_t>(packet[CodeIndex]);
        if (disabled.contains(HexBytes(packet.substr(CodeIndex, 1)), Qt::CaseSensitive)) {
            FSkipNext = true;
            continue;
        }
        if (FSkipNext) {
            FSkipNext = false;
            continue;
        }
        const TColor colour =
            record.Direction == SpyDirectionSent ? ColorSent : (code == 0 ? ColorAnswerOk : ColorAnswerError);
        AppendLogLine(reLog, HexBytes(packet), colour, false, record.Time, true);
    }
}

void TfCiLog::CutUndecodablePending(double time)
{
    // A packet still arriving stays whole, however long it announced itself; such bytes
    // are shown at the latest when the next request is sent.
    if (FPending.size() <= UndecodableLimit || FPending.starts_with("*a")) return;
    const size_t cr = FPending.find('\r');
    const size_t length = cr == std::string::npos ? UndecodableLimit : cr + 1;
    PrintUndecodable(FPending.substr(0, length), time);
    FPending.erase(0, length);
}

void TfCiLog::PrintUndecodable(const std::string& bytes, double time)
{
    AppendLogLine(reLog, HexBytes(bytes), ColorUndecodable, false, time, true);
}

void TfCiLog::btnClearClick()
{
    reLog->clear();
    std::lock_guard lock(FLock);
    // The received records at the end of the queue may hold the rest of a packet whose
    // start is already pending: keep them (and the pending start) for the next tick.
    size_t tail = FQueue.size();
    while (tail > 0 && FQueue[tail - 1].Direction == SpyDirectionReceived) --tail;
    std::string received;
    for (size_t i = tail; i < FQueue.size(); ++i) received += FQueue[i].Bytes;
    if (tail == 0)
        FPending += received;
    else
        FPending = received;
    FQueue.clear();
    // An empty received record makes the next tick look at the pending bytes again.
    FQueue.push_back(TLogStruct{std::string(), NowDateTime(), SpyDirectionReceived});
}

void TfCiLog::sbPauseClick(bool down)
{
    if (down)
        Timer1->stop();
    else
        Timer1->start();
}
