// Helpers of the log window tests: packets, a window fixture that reads back the lines
// of the view with their stamps, colours and font sizes.
#pragma once

#include "framework/ci_test_transport.h"
#include "framework/gui/ufCILog.h"
#include "protocol/uTarvel97.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Address of the module in the test packets.
constexpr uint8_t TestAdr = 0x31;

inline std::string Request(uint8_t inst, const std::string& data = {}, uint8_t sig = 1)
{
    return BuildTarvel97Packet(TestAdr, sig, inst, data);
}

inline std::string Answer(uint8_t ack, const std::string& data = {}, uint8_t sig = 1)
{
    return BuildTarvel97Packet(TestAdr, sig, ack, data);
}

inline std::string Hex(const std::string& bytes)
{
    return HexBytes(bytes).toStdString();
}

// One line of the view: the stamp and the text with their formats.
struct TShownLine {
    std::string Stamp; // "[yyyy-MM-dd hh:mm:ss] " or empty
    std::string Text;
    QColor StampColour;
    QColor TextColour;
    double StampPointSize = 0;
    double TextPointSize = 0;
};

inline std::vector<TShownLine> ShownLines(QPlainTextEdit* view)
{
    std::vector<TShownLine> lines;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        if (block.text().isEmpty()) continue;
        TShownLine line;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool isStamp = fragment.text().startsWith('[');
            (isStamp ? line.Stamp : line.Text) += fragment.text().toStdString();
            (isStamp ? line.StampColour : line.TextColour) = fragment.charFormat().foreground().color();
            (isStamp ? line.StampPointSize : line.TextPointSize) = fragment.charFormat().fontPointSize();
        }
        lines.push_back(line);
    }
    return lines;
}

const QColor Green(0, 128, 0);
const QColor Blue(0, 0, 255);
const QColor Red(255, 0, 0);
const QColor Magenta(255, 0, 255);

// A shown log window with no filter, the test driving its timer ticks by hand.
class LogWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log = std::make_unique<TfCiLog>(Tarvel97PacketFormat);
        Log->ShowFor("");
        View = Log->findChild<QPlainTextEdit*>("reLog");
        ASSERT_NE(View, nullptr);
        Link = MakeObj<TTestTransport>();
        Link->Open();
    }

    void TearDown() override { Log.reset(); }

    void Send(const std::string& bytes) { Link->Send(bytes); }
    void Receive(const std::string& bytes)
    {
        Link->Feed(bytes);
        std::string taken;
        Link->Receive(taken);
    }
    std::vector<TShownLine> Lines()
    {
        Log->Timer1Timer();
        return ShownLines(View);
    }

    std::unique_ptr<TfCiLog> Log;
    QPlainTextEdit* View = nullptr;
    IntfPtr<TTestTransport> Link;
};
