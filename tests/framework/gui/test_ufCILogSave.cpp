// The log window's saved file, its ASCII column and the bound on the lines it keeps.
#include "tests/framework/gui/test_ufCILogSupport.h"
#include "tests/support/text_lines.h"

#include <QCheckBox>
#include <QDateTime>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

class LogFileTest : public LogWindowTest {
protected:
    QStringList Saved()
    {
        const QString path = Dir.filePath(QStringLiteral("log.txt"));
        EXPECT_TRUE(Log->SaveLog(path));
        return ReadTextLines(path);
    }

    QTemporaryDir Dir;
};

TEST_F(LogFileTest, SavesTheShownLinesWithMillisecondsDirectionHexAndAscii)
{
    ASSERT_NE(Log->findChild<QPushButton*>("btnSave"), nullptr);
    EXPECT_EQ(Log->findChild<QPushButton*>("btnSave")->text(), QStringLiteral("Uložit…"));
    const std::string noise = "garbage\r";
    const std::string tail(40, '\x7f');
    const struct {
        std::string Bytes;
        QString Direction;
        QString AsciiPart; // a piece the ASCII column must hold
    } expected[] = {
        {Request(0xF3), "TX", "*a"},
        {Answer(0x00, std::string("Valdrix\x01", 8)), "RX", "Valdrix."},
        {noise, "RX", "garbage."},
        {tail, "RX", QString(40, QLatin1Char('.'))},
        {Request(0x10), "TX", "*a"},
    };
    const QDateTime before = QDateTime::currentDateTime();
    Send(expected[0].Bytes);
    Receive(expected[1].Bytes);
    Receive(noise + tail); // the noise up to its carriage return is cut at once, the rest waits
    Send(expected[4].Bytes); // and is shown when the next request goes out
    const QDateTime after = QDateTime::currentDateTime();
    const auto shown = Lines();
    ASSERT_EQ(shown.size(), 5u);

    const QStringList lines = Saved();
    ASSERT_EQ(lines.size(), 5);
    const QRegularExpression format(R"(^(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) (TX|RX) ([0-9A-F ]+)  \|(.*)\|$)");
    for (int i = 0; i < 5; ++i) {
        const QRegularExpressionMatch match = format.match(lines[i]);
        ASSERT_TRUE(match.hasMatch()) << lines[i].toStdString();
        // The view's stamp is the same time to the nearest second.
        const QDateTime time = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        ASSERT_TRUE(time.isValid()) << lines[i].toStdString();
        EXPECT_GE(time, before.addMSecs(-1));
        EXPECT_LE(time, after.addMSecs(1));
        const QString seconds = time.addMSecs(500).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        EXPECT_EQ("[" + seconds.toStdString() + "] ", shown[size_t(i)].Stamp) << i;
        EXPECT_EQ(match.captured(2), expected[i].Direction) << i;
        EXPECT_EQ(match.captured(3).toStdString(), Hex(expected[i].Bytes)) << i;
        const QString ascii = match.captured(4);
        EXPECT_EQ(ascii.size(), qsizetype(expected[i].Bytes.size())) << i;
        EXPECT_TRUE(ascii.contains(expected[i].AsciiPart)) << ascii.toStdString();
    }
}

TEST_F(LogFileTest, AsciiColumnFollowsTheCheckBoxForOldAndNewLines)
{
    auto* ascii = Log->findChild<QCheckBox*>("chbAscii");
    ASSERT_NE(ascii, nullptr);
    EXPECT_EQ(ascii->text(), QStringLiteral("ASCII"));
    EXPECT_FALSE(ascii->isChecked());
    const std::string packets[] = {Request(0xF3), Answer(0x00, "Valdrix"), Answer(0x04, "no", 2)};
    Send(packets[0]);
    Receive(packets[1]);
    const auto before = Lines();

    ascii->click();
    Receive(packets[2]);
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    const QColor colours[] = {Green, Blue, Red};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(lines[i].Text, Hex(packets[i]) + "  " + AsciiBytes(packets[i]).toStdString()) << i;
        EXPECT_EQ(lines[i].TextColour, colours[i]) << i;
        if (i < 2) {
            EXPECT_EQ(lines[i].Stamp, before[i].Stamp);
        }
    }

    ascii->click();
    lines = Lines();
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(lines[i].Text, Hex(packets[i])) << i;
    EXPECT_EQ(Saved().size(), 3); // the file always has the ASCII column
}

TEST_F(LogFileTest, KeepsOnlyTheLastConfiguredLinesInViewAndFile)
{
    Log->SetMaxLines(5);
    for (int i = 0; i < 8; ++i) Send(Request(uint8_t(0xC0 + i)));
    auto lines = Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(View->document()->blockCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(lines[size_t(i)].Text, Hex(Request(uint8_t(0xC3 + i))));
    QStringList saved = Saved();
    ASSERT_EQ(saved.size(), 5);
    EXPECT_TRUE(saved[0].contains(HexBytes(Request(0xC3))));

    // A smaller bound drops the oldest lines at once; the ASCII redraw draws only the kept ones.
    Log->SetMaxLines(2);
    Log->findChild<QCheckBox*>("chbAscii")->click();
    lines = Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text.substr(0, Hex(Request(0xC6)).size()), Hex(Request(0xC6)));
    saved = Saved();
    ASSERT_EQ(saved.size(), 2);
    EXPECT_TRUE(saved[1].contains(HexBytes(Request(0xC7))));

    // Clear empties what the file would hold too.
    Log->btnClearClick();
    Lines();
    EXPECT_TRUE(Saved().isEmpty());
}

TEST_F(LogFileTest, SaveToAnUnwritablePathFails)
{
    Send(Request(0xF3));
    Lines();
    EXPECT_FALSE(Log->SaveLog(Dir.filePath(QStringLiteral("no/such/folder/log.txt"))));
}
