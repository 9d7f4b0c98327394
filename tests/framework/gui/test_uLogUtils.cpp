#include "framework/gui/uLogUtils.h"
#include "framework/uDateTime.h"
#include "tests/framework/gui/test_ufCILogSupport.h"

#include <QFontInfo>
#include <QScrollBar>
#include <QTextCursor>

TEST(LogColour, ConvertsBlueGreenRedNumbers)
{
    EXPECT_EQ(ColorFromTColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ColorFromTColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromTColor(0x008000), QColor(0, 128, 0));
    EXPECT_EQ(ColorFromTColor(0x563412), QColor(0x12, 0x34, 0x56));
}

TEST(LogHex, UpperCasePairsWithSingleSpaces)
{
    EXPECT_EQ(HexBytes(""), "");
    EXPECT_EQ(HexBytes(std::string("\x00*\xff\x0a", 4)), "00 2A FF 0A");
}

class AppendLogLineTest : public ::testing::Test {
protected:
    QPlainTextEdit View;
    const double Time = EncodeDateTime({2026, 12, 7, 9, 5, 3});
};

TEST_F(AppendLogLineTest, StampsInSmallBlackAndTextInItsColour)
{
    AppendLogLine(&View, "2A 61", 0xFF0000, false, Time, true);
    AppendLogLine(&View, "no stamp", 0xFF00FF, false, 0, true);
    const auto lines = ShownLines(&View);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Stamp, "[2026-12-07 09:05:03] ");
    EXPECT_EQ(lines[0].StampColour, QColor(Qt::black));
    EXPECT_EQ(lines[0].StampPointSize, 6);
    EXPECT_EQ(lines[0].Text, "2A 61");
    EXPECT_EQ(lines[0].TextColour, Blue);
    EXPECT_EQ(lines[0].TextPointSize, 10);
    EXPECT_EQ(lines[1].Stamp, "");
    EXPECT_EQ(lines[1].Text, "no stamp");
    EXPECT_EQ(lines[1].TextColour, Magenta);
    EXPECT_EQ(View.document()->blockCount(), 2);
}

TEST_F(AppendLogLineTest, ReplaceLastReplacesOnlyTheLastLine)
{
    AppendLogLine(&View, "first", 0, true, Time, true); // nothing to replace yet
    AppendLogLine(&View, "second", 0, false, Time, true);
    AppendLogLine(&View, "third", 0x0000FF, true, Time, true);
    const auto lines = ShownLines(&View);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].Text, "first");
    EXPECT_EQ(lines[1].Text, "third");
    EXPECT_EQ(lines[1].TextColour, Red);
    EXPECT_EQ(View.document()->blockCount(), 2);
}

TEST_F(AppendLogLineTest, KeepsTheSelectionAndScrollsToTheEnd)
{
    View.resize(300, 100);
    View.show();
    AppendLogLine(&View, "selected text", 0, false, Time, true);
    QTextCursor selection(View.document());
    selection.setPosition(3);
    selection.setPosition(8, QTextCursor::KeepAnchor);
    View.setTextCursor(selection);
    const QString selected = View.textCursor().selectedText();
    for (int i = 0; i < 200; ++i) AppendLogLine(&View, QString::number(i), 0, false, Time, true);
    EXPECT_EQ(View.textCursor().selectedText(), selected);
    EXPECT_EQ(View.textCursor().selectionStart(), 3);
    EXPECT_GT(View.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(View.verticalScrollBar()->value(), View.verticalScrollBar()->maximum());
    EXPECT_TRUE(View.updatesEnabled());
}

TEST(LogAscii, PrintableCharactersAsTheyAreOthersAsDots)
{
    EXPECT_EQ(AsciiBytes(""), "");
    EXPECT_EQ(AsciiBytes(std::string("*a\x00\x1f \x7e\x7f\x80\xff\r", 10)), "*a.. ~....");
}

TEST(LogTime, MillisecondsOfTheDesktopDateTime)
{
    const double ms = 1.0 / 86400000;
    const double day = EncodeDateTime({2026, 12, 7, 9, 5, 3});
    const struct {
        double Time;
        const char* Text;
    } cases[] = {
        {day, "2026-12-07 09:05:03.000"},
        {day + 250 * ms, "2026-12-07 09:05:03.250"},
        {day + 999 * ms, "2026-12-07 09:05:03.999"},
        {EncodeDateTime({2026, 12, 31, 23, 59, 59}) + 999.6 * ms, "2027-01-01 00:00:00.000"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatLogTimeMs(c.Time), c.Text);
}

TEST_F(AppendLogLineTest, ColumnFollowsTheTextInItsColourAndFixedPitch)
{
    AppendLogLine(&View, "2A 61", 0x0000FF, false, Time, true, "*a");
    const QTextBlock block = View.document()->firstBlock();
    EXPECT_EQ(block.text(), "[2026-12-07 09:05:03] 2A 61  *a");
    QTextBlock::iterator it = block.begin();
    ++it;
    ++it;
    ASSERT_FALSE(it.atEnd());
    const QTextCharFormat column = it.fragment().charFormat();
    EXPECT_EQ(it.fragment().text(), "  *a");
    EXPECT_EQ(column.foreground().color(), Red);
    EXPECT_TRUE(QFontInfo(column.font()).fixedPitch());
}
