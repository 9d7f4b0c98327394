#include "framework/uDateTime.h"
#include "tests/framework/gui/test_ufCILogSupport.h"
#include "tests/support/pump_until.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <thread>

TEST_F(LogWindowTest, FormHasItsNamedControls)
{
    EXPECT_EQ(Log->windowTitle(), QString::fromUtf8("Komunikační log"));
    EXPECT_EQ(Log->size(), QSize(581, 546));
    EXPECT_TRUE(View->isReadOnly());
    auto* pause = Log->findChild<QPushButton*>("sbPause");
    ASSERT_NE(pause, nullptr);
    EXPECT_EQ(pause->text(), QString::fromUtf8("Pozastavit"));
    EXPECT_TRUE(pause->isCheckable());
    ASSERT_NE(Log->findChild<QPushButton*>("btnClear"), nullptr);
    EXPECT_EQ(Log->findChild<QPushButton*>("btnClear")->text(), QString::fromUtf8("Vymazat"));
    ASSERT_NE(Log->findChild<QLineEdit*>("edtDisabledInst"), nullptr);
    EXPECT_EQ(Log->findChild<QLineEdit*>("edtDisabledInst")->text(), QString::fromUtf8("Zakázané instrukce"));
    auto* timer = Log->findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 250);
    EXPECT_TRUE(timer->isActive());
}

TEST_F(LogWindowTest, ColoursByDirectionAndAcknowledgeWithQueueTimeStamps)
{
    const std::string before = FormatDateTimeIso(NowDateTime() - 1.0 / 86400);
    Send(Request(0xF3));
    Receive(Answer(0x00, "Valdrix"));
    Receive(Answer(0x05));
    const std::string after = FormatDateTimeIso(NowDateTime() + 1.0 / 86400);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].Text, Hex(Request(0xF3)));
    EXPECT_EQ(lines[0].TextColour, Green);
    EXPECT_EQ(lines[1].Text, Hex(Answer(0x00, "Valdrix")));
    EXPECT_EQ(lines[1].TextColour, Blue);
    EXPECT_EQ(lines[2].TextColour, Red);
    const QRegularExpression stamp(R"(^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] $)");
    for (const auto& line : lines) {
        EXPECT_TRUE(stamp.match(QString::fromStdString(line.Stamp)).hasMatch()) << line.Stamp;
        EXPECT_EQ(line.StampColour, QColor(Qt::black));
        const std::string time = line.Stamp.substr(1, 19);
        EXPECT_GE(time, before);
        EXPECT_LE(time, after);
    }
}

TEST_F(LogWindowTest, AnswerSplitOverThreeReceivesIsOneBlueLine)
{
    const std::string answer = Answer(0x00, "0123456789");
    Receive(answer.substr(0, 3));
    EXPECT_TRUE(Lines().empty());
    Receive(answer.substr(3, 7));
    EXPECT_TRUE(Lines().empty());
    Receive(answer.substr(10));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, Hex(answer));
    EXPECT_EQ(lines[0].TextColour, Blue);
}

TEST_F(LogWindowTest, LongAnswerArrivingInPiecesIsNotCutAsNoise)
{
    const std::string answer = Answer(0x00, std::string(120, '\r'));
    Receive(answer.substr(0, 50));
    Receive(answer.substr(50, 50));
    EXPECT_TRUE(Lines().empty());
    Receive(answer.substr(100));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, Hex(answer));
    EXPECT_EQ(lines[0].TextColour, Blue);
}

TEST_F(LogWindowTest, UnframedBytesShownInMagentaOnceTooManyOrAtTheNextRequest)
{
    const std::string noise = std::string(20, 'x') + "\r" + std::string(25, 'y');
    Receive(noise.substr(0, 30));
    EXPECT_TRUE(Lines().empty()); // 30 bytes may still become something
    Receive(noise.substr(30));
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, Hex(noise.substr(0, 21))); // up to and including the CR
    EXPECT_EQ(lines[0].TextColour, Magenta);

    Send(Request(0x10));
    lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].Text, Hex(noise.substr(21)));
    EXPECT_EQ(lines[1].TextColour, Magenta);
    EXPECT_EQ(lines[2].TextColour, Green);
}

TEST_F(LogWindowTest, NoiseWithoutCarriageReturnIsCutInFortyByteLines)
{
    Receive(std::string(41, 'z'));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, Hex(std::string(40, 'z')));
}

TEST_F(LogWindowTest, CorruptPacketsAreShownUndecodedInMagenta)
{
    std::string corruptAnswer = Answer(0x00, "abc");
    corruptAnswer[7] ^= 0x01;
    std::string corruptRequest = Request(0xD0, "xy");
    corruptRequest[7] ^= 0x01;
    // A corrupt packet is shown even when its code is disabled, and hides no answer.
    Log->findChild<QLineEdit*>("edtDisabledInst")->setText("D0");
    Receive(corruptAnswer + Answer(0x00, "ok"));
    Send(corruptRequest);
    Receive(Answer(0x00, "next"));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].Text, Hex(corruptAnswer));
    EXPECT_EQ(lines[0].TextColour, Magenta);
    EXPECT_FALSE(lines[0].Stamp.empty());
    EXPECT_EQ(lines[1].Text, Hex(Answer(0x00, "ok")));
    EXPECT_EQ(lines[1].TextColour, Blue);
    EXPECT_EQ(lines[2].Text, Hex(corruptRequest));
    EXPECT_EQ(lines[2].TextColour, Magenta);
    EXPECT_EQ(lines[3].Text, Hex(Answer(0x00, "next")));
}

TEST_F(LogWindowTest, AHeaderThatNeverCompletesDoesNotHoldBackThePacketBehindIt)
{
    const std::string header = "*a\xFF\xFF";
    Receive(header + Answer(0x00, "ok"));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text, Hex(header));
    EXPECT_EQ(lines[0].TextColour, Magenta);
    EXPECT_EQ(lines[1].Text, Hex(Answer(0x00, "ok")));
    EXPECT_EQ(lines[1].TextColour, Blue);
}

TEST_F(LogWindowTest, DisabledInstructionHidesTheRequestAndItsAnswerOnly)
{
    auto* disabled = Log->findChild<QLineEdit*>("edtDisabledInst");
    disabled->setText("D0");
    Send(Request(0xD0));
    Receive(Answer(0x00));
    Send(Request(0xD1));
    Receive(Answer(0x00, "x"));
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text, Hex(Request(0xD1)));
    EXPECT_EQ(lines[1].Text, Hex(Answer(0x00, "x")));

    disabled->setText("d0"); // codes are upper-case: nothing matches
    Send(Request(0xD0));
    Receive(Answer(0x00));
    EXPECT_EQ(Lines().size(), 4u);
}

TEST_F(LogWindowTest, ClearKeepsAHalfReceivedPacketAlreadyPending)
{
    Send(Request(0x20));
    const std::string answer = Answer(0x00, "half and half");
    Receive(answer.substr(0, 9));
    ASSERT_EQ(Lines().size(), 1u);
    QTest::mouseClick(Log->findChild<QPushButton*>("btnClear"), Qt::LeftButton);
    EXPECT_TRUE(ShownLines(View).empty());
    Receive(answer.substr(9));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, Hex(answer));
    EXPECT_EQ(lines[0].TextColour, Blue);
}

TEST_F(LogWindowTest, ClearKeepsAHalfReceivedPacketStillQueued)
{
    const std::string answer = Answer(0x00, "queued");
    Send(Request(0x20));
    Receive(answer.substr(0, 4));
    Receive(answer.substr(4, 4));
    QTest::mouseClick(Log->findChild<QPushButton*>("btnClear"), Qt::LeftButton);
    Receive(answer.substr(8));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u); // the request was cleared, the answer completes
    EXPECT_EQ(lines[0].Text, Hex(answer));
}

TEST_F(LogWindowTest, PauseHoldsTrafficAndResumeShowsAllInOrderWithQueueTimes)
{
    auto* pause = Log->findChild<QPushButton*>("sbPause");
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_TRUE(pause->isChecked());
    for (int i = 0; i < 50; ++i) {
        Send(Request(0x40, std::string(1, char(i))));
        Receive(Answer(0x00, std::string(1, char(i))));
    }
    // Long enough for several ticks and for the stamps to differ from the resume time.
    QTest::qWait(2100);
    EXPECT_TRUE(ShownLines(View).empty());
    const std::string resumed = FormatDateTimeIso(NowDateTime());
    QTest::mouseClick(pause, Qt::LeftButton);
    EXPECT_FALSE(pause->isChecked());
    ASSERT_TRUE(PumpUntil([&] { return ShownLines(View).size() == 100; })) << ShownLines(View).size();
    const auto lines = ShownLines(View);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(lines[2 * i].Text, Hex(Request(0x40, std::string(1, char(i)))));
        EXPECT_EQ(lines[2 * i + 1].Text, Hex(Answer(0x00, std::string(1, char(i)))));
        EXPECT_LT(lines[2 * i].Stamp.substr(1, 19), resumed);
    }
}

TEST_F(LogWindowTest, HiddenWindowCollectsNothingButKeepsWhatWasQueued)
{
    Send(Request(0x01));
    Log->hide();
    Send(Request(0x02));
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Text, Hex(Request(0x01)));
}

TEST_F(LogWindowTest, OneTickPrintsAWholeBatchWithOneRedraw)
{
    int paints = 0;
    struct PaintCounter : QObject {
        int& Count;
        explicit PaintCounter(int& count) : Count(count) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint) ++Count;
            return false;
        }
    } counter(paints);
    int edits = 0;
    QObject::connect(View->document(), &QTextDocument::contentsChange, View, [&] { ++edits; });
    QTest::qWait(50);
    View->viewport()->installEventFilter(&counter);
    for (int i = 0; i < 3000; ++i) Send(Request(0x50, std::to_string(i)));
    Log->Timer1Timer();
    QCoreApplication::processEvents();
    View->viewport()->removeEventFilter(&counter);
    EXPECT_EQ(edits, 1); // the view lays out the batch once
    EXPECT_GE(paints, 1);
    EXPECT_LE(paints, 2);
    EXPECT_TRUE(View->updatesEnabled());
    EXPECT_EQ(ShownLines(View).size(), 3000u);
    EXPECT_GT(View->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(View->verticalScrollBar()->value(), View->verticalScrollBar()->maximum());
}

TEST(LogWindowLifetime, DestroyedWindowGetsNoMoreTrafficEvenWhileLinksSend)
{
    auto link = MakeObj<TTestTransport>();
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        while (!stop) link->Send(Request(0x60));
    });
    for (int i = 0; i < 20; ++i) {
        auto log = std::make_unique<TfCiLog>(Tarvel97PacketFormat);
        log->ShowFor("");
        QTest::qWait(5);
    }
    stop = true;
    sender.join();
    EXPECT_FALSE(GetSpySink());
}
