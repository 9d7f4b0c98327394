// Feeds arbitrary sent and received traffic to the communication log window, which cuts
// it into packet lines and lines of undecodable bytes, and aborts when a byte is lost,
// shown twice or out of order, a line is coloured as a packet without being a valid one
// (sent green; received blue with acknowledge 0, else red), or a hidden instruction
// shows. With no instruction hidden, the lines hold exactly every byte of the traffic, in
// order.
//
// Input: one byte naming the instruction code to hide (0: none), then records
//   CTRL LEN payload(LEN)
// CTRL bit 0: sent (else received); bit 1: the payload is ADR SIG INST data of a packet
// built with a correct checksum; bit 2: the window's timer ticks after this record.
// The window runs on the offscreen platform; its timer only ticks when the target says.
#include "framework/gui/ufCILog.h"

#include "framework/uci_SpySink.h"
#include "fuzz/fuzz_support.h"
#include "protocol/uTarvel97.h"
#include "tests/protocol/test_stack_link.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const QColor Sent(0, 128, 0), AnswerOk(0, 0, 255), AnswerError(255, 0, 0), Undecodable(255, 0, 255);
constexpr size_t CodeIndex = 6;

struct TWindow {
    TfCiLog Log{Tarvel97PacketFormat};
    QPlainTextEdit* View = Log.findChild<QPlainTextEdit*>("reLog");
    QLineEdit* DisabledInst = Log.findChild<QLineEdit*>("edtDisabledInst");
    IntfPtr<TMemoryLink> Link = MakeObj<TMemoryLink>();

    TWindow()
    {
        FuzzCheck(View && DisabledInst);
        Log.ShowFor("");
    }
    void Traffic(const std::string& bytes, uint8_t direction) { Log.CollectTraffic(Link.get(), bytes, direction); }
};

struct TLine {
    std::string Bytes;
    QColor Colour;
};

std::string FromHex(const QString& text)
{
    std::string bytes;
    for (const QString& pair : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        bool ok = false;
        const uint value = pair.toUInt(&ok, 16);
        FuzzCheck(ok && pair.size() == 2 && pair == pair.toUpper());
        bytes.push_back(char(value));
    }
    return bytes;
}

// Each line: the time stamp "[...] ", then the bytes in hexadecimal, in one colour.
std::vector<TLine> Lines(QPlainTextEdit& view)
{
    std::vector<TLine> lines;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const qsizetype stamp = text.indexOf(QLatin1String("] "));
        FuzzCheck(text.startsWith(QLatin1Char('[')) && stamp > 0);
        QTextBlock::iterator last = block.begin();
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) last = it;
        lines.push_back({FromHex(text.mid(stamp + 2)), last.fragment().charFormat().foreground().color()});
    }
    return lines;
}

void CheckColour(const TLine& line, const std::string& disabled)
{
    if (line.Colour == Undecodable) return;
    FuzzCheck(ValidateTarvel97Packet(line.Bytes) == 0);
    const uint8_t code = uint8_t(line.Bytes[CodeIndex]);
    FuzzCheck(line.Colour == Sent || line.Colour == (code == 0 ? AnswerOk : AnswerError));
    FuzzCheck(disabled.empty() || code != uint8_t(std::strtoul(disabled.c_str(), nullptr, 16)));
}

} // namespace

// The font library keeps a cache it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv); // lives for the run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TWindow window;
    if (size == 0) return 0;
    const std::string disabled = data[0] == 0 ? std::string() : HexBytes(std::string(1, char(data[0]))).toStdString();
    window.View->clear();
    window.DisabledInst->setText(QString::fromStdString(disabled));

    // Everything the view must show: every byte of the traffic in order, as packets or
    // as undecodable bytes.
    std::string expected;
    size_t pos = 1;
    for (TFuzzRecord record; ReadFuzzRecord(data, size, pos, record);) {
        const bool sent = record.Ctrl & 0x01;
        window.Traffic(record.Bytes, sent ? SpyDirectionSent : SpyDirectionReceived);
        expected += record.Bytes;
        if (record.Ctrl & 0x04) window.Log.Timer1Timer();
    }
    // A request shows whatever is still pending; with nothing hidden any more, the second
    // one shows for certain (the first may answer a hidden request). Their code 00 is
    // never the hidden one.
    window.Log.Timer1Timer();
    window.DisabledInst->clear();
    const std::string last = BuildTarvel97Packet(0x31, 0x01, 0x00, "");
    window.Traffic(last, SpyDirectionSent);
    window.Traffic(last, SpyDirectionSent);
    window.Log.Timer1Timer();
    expected += last;

    const std::vector<TLine> lines = Lines(*window.View);
    FuzzCheck(!lines.empty() && lines.back().Bytes == last && lines.back().Colour == Sent);
    std::string shown;
    size_t cursor = 0;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        CheckColour(lines[i], disabled);
        FuzzCheck(!lines[i].Bytes.empty());
        const size_t at = expected.find(lines[i].Bytes, cursor);
        FuzzCheck(at != std::string::npos);
        cursor = at + lines[i].Bytes.size();
        shown += lines[i].Bytes;
    }
    if (disabled.empty()) FuzzCheck(shown == expected);
    return 0;
}
