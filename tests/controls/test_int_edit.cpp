#include "NumEditTestSupport.h"

#include "controls/uIntEdit.h"
#include "tests/support/pump_until.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>

namespace {

class IntEditTest : public testing::Test {
protected:
    TFeedbackRecorder Feedback;
    TEditWindow<TIntEdit> W;
};

TEST_F(IntEditTest, AutoCorrectClampsOnLeavingAndBeepsOnlyForBadEntries)
{
    W.Edit->SetFailureBeep(true);
    W.Type("250");
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "100");
    EXPECT_EQ(W.Edit->Value(), 100);
    EXPECT_EQ(Feedback.Beeps, 1);

    W.Type("-5");
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "0");
    EXPECT_EQ(Feedback.Beeps, 2);

    W.Type("42");
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "42");
    EXPECT_EQ(Feedback.Beeps, 2);
    EXPECT_TRUE(Feedback.Messages.isEmpty());
    EXPECT_TRUE(W.Next->hasFocus());
}

TEST_F(IntEditTest, WithoutAutoCorrectARefusedEntryKeepsTheFocus)
{
    W.Edit->SetAutoCorrect(false);
    W.Type("250");
    W.Leave();
    ASSERT_EQ(Feedback.Messages, QStringList{"Hodnota musí být v rozmezí od 0 do 100!"});
    EXPECT_TRUE(PumpUntil([&] { return W.Edit->hasFocus(); }, std::chrono::seconds(5)));
    EXPECT_EQ(W.Edit->text(), "250");
    EXPECT_EQ(W.Edit->selectedText(), "250");

    W.Edit->SetShowName("Port");
    W.Edit->SetMinValue(-3);
    W.Type("-4");
    QTest::keyClick(W.Edit, Qt::Key_Return);
    EXPECT_EQ(Feedback.Messages.last(), "Port musí být v rozmezí od -3 do 100!");

    W.Type("42");
    W.Leave();
    EXPECT_EQ(Feedback.Messages.size(), 2);
    EXPECT_EQ(W.Edit->text(), "42");
    EXPECT_TRUE(W.Next->hasFocus());
}

TEST_F(IntEditTest, EnterValidatesWithoutLeaving)
{
    W.Type("777");
    QTest::keyClick(W.Edit, Qt::Key_Enter);
    EXPECT_EQ(W.Edit->text(), "100");
    EXPECT_TRUE(W.Edit->hasFocus());
}

TEST_F(IntEditTest, TypingLetsOnlyDigitsMinusAndEditingKeysThrough)
{
    W.Type("1a+ 2x.,-3");
    EXPECT_EQ(W.Edit->text(), "12-3");
    QTest::keyClick(W.Edit, Qt::Key_Backspace);
    EXPECT_EQ(W.Edit->text(), "12-");

    QGuiApplication::clipboard()->setText("77");
    W.Edit->selectAll();
    QTest::keyClick(W.Edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(W.Edit->text(), "77");
    W.Edit->selectAll();
    QTest::keyClick(W.Edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(W.Edit->text(), "77");
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(W.Edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "77");
}

TEST_F(IntEditTest, SelectAllThenTypingReplacesTheEntry)
{
    W.Type("10");
    QTest::keyClick(W.Edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(W.Edit, "7");
    EXPECT_EQ(W.Edit->text(), "7");
}

// Text committed by an input method (a Czech keyboard's dead keys) passes the same filter
// as typed text, so that a stray letter cannot turn the entry into no number at all.
TEST_F(IntEditTest, InputMethodTextPassesTheTypingFilter)
{
    struct TCase {
        const char* Typed;
        const char* Committed;
        const char* Text;
    };
    const TCase cases[] = {
        {"1000", "\u00e1", "1000"},
        {"10", "0\u00e10", "1000"},
        {"", "-7\u011b", "-7"},
    };
    W.Edit->SetMaxValue(5000);
    W.Edit->SetMinValue(-10);
    for (const TCase& c : cases) {
        W.Type(QString::fromUtf8(c.Typed));
        W.Commit(QString::fromUtf8(c.Committed));
        EXPECT_EQ(W.Edit->text(), c.Text) << c.Committed;
        W.Leave();
        EXPECT_EQ(W.Edit->text(), c.Text) << c.Committed;
    }
    W.Edit->SetEditorEnabled(false);
    W.Commit("3");
    EXPECT_EQ(W.Edit->text(), "-7");
}

TEST_F(IntEditTest, EditorDisabledRefusesTypingAndPastingButStillSteps)
{
    W.Edit->SetValue(5);
    W.Edit->SetEditorEnabled(false);
    QGuiApplication::clipboard()->setText("9");
    W.Edit->setCursorPosition(1);
    QTest::keyClicks(W.Edit, "3");
    QTest::keyClick(W.Edit, Qt::Key_Backspace);
    QTest::keyClick(W.Edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(W.Edit->text(), "5");
    QTest::keyClick(W.Edit, Qt::Key_Up);
    EXPECT_EQ(W.Edit->text(), "6");
}

TEST_F(IntEditTest, ArrowAndPageKeysStepWithCtrlAndPageMultipliers)
{
    W.Edit->SetMaxValue(1000);
    QTest::keyClick(W.Edit, Qt::Key_Up);
    EXPECT_EQ(W.Edit->Value(), 1);
    QTest::keyClick(W.Edit, Qt::Key_PageUp);
    EXPECT_EQ(W.Edit->Value(), 11);
    QTest::keyClick(W.Edit, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(W.Edit->Value(), 111);
    QTest::keyClick(W.Edit, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(W.Edit->Value(), 101);
    QTest::keyClick(W.Edit, Qt::Key_PageDown);
    EXPECT_EQ(W.Edit->Value(), 91);

    // A step starts from the typed number, clamped, or from the stored value when the
    // text is no number at all.
    W.Type("5000");
    QTest::keyClick(W.Edit, Qt::Key_Down);
    EXPECT_EQ(W.Edit->Value(), 999);
    W.Edit->setText("-");
    QTest::keyClick(W.Edit, Qt::Key_Up);
    EXPECT_EQ(W.Edit->Value(), 1000);
}

TEST_F(IntEditTest, StepsStopAtThe32BitLimitsInsteadOfWrapping)
{
    W.Edit->SetMaxValue(std::numeric_limits<qint32>::max());
    W.Edit->SetMinValue(std::numeric_limits<qint32>::min());
    W.Edit->SetIncrement(std::numeric_limits<qint32>::max());
    W.Edit->SetValue(std::numeric_limits<qint32>::max() - 1);
    QTest::keyClick(W.Edit, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(W.Edit->Value(), std::numeric_limits<qint32>::max());
    W.Edit->SetValue(std::numeric_limits<qint32>::min() + 1);
    QTest::keyClick(W.Edit, Qt::Key_PageDown);
    EXPECT_EQ(W.Edit->Value(), std::numeric_limits<qint32>::min());
}

TEST_F(IntEditTest, UpDownPairStepsByOneIncrementAndTakesTheFocus)
{
    W.Edit->SetIncrement(5);
    W.Next->setFocus();
    const auto buttons = W.Edit->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 2);
    QToolButton* up = buttons[0]->arrowType() == Qt::UpArrow ? buttons[0] : buttons[1];
    QToolButton* down = up == buttons[0] ? buttons[1] : buttons[0];
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(W.Edit->Value(), 10);
    EXPECT_TRUE(W.Edit->hasFocus());
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(W.Edit->Value(), 5);

    // The text stops short of the pair: the cursor after a long text stays left of it.
    W.Edit->setText(QString(40, u'8'));
    W.Edit->setCursorPosition(40);
    W.Edit->repaint();
    EXPECT_LT(W.Edit->inputMethodQuery(Qt::ImCursorRectangle).toRect().right(), up->geometry().left());
    EXPECT_LE(up->geometry().right(), W.Edit->rect().right());

    W.Edit->SetUpDownEnable(false);
    EXPECT_FALSE(up->isVisible());
    EXPECT_EQ(W.Edit->textMargins().right(), 0);
    W.Edit->SetUpDownEnable(true);
    EXPECT_TRUE(up->isVisible());
    W.Edit->setEnabled(false);
    EXPECT_FALSE(up->isEnabled());
}

TEST_F(IntEditTest, SettersKeepTheBoundsOrderedAndTheValueInside)
{
    W.Edit->SetValue(80);
    W.Edit->SetMinValue(20);
    W.Edit->SetMaxValue(10);
    EXPECT_EQ(W.Edit->MaxValue(), 20);
    EXPECT_EQ(W.Edit->text(), "20");
    W.Edit->SetMinValue(50);
    EXPECT_EQ(W.Edit->MinValue(), 20);

    W.Edit->SetMaxValue(100);
    W.Edit->SetValue(500);
    EXPECT_EQ(W.Edit->Value(), 100);

    W.Edit->SetIncrement(0);
    W.Edit->SetIncrement(-4);
    EXPECT_EQ(W.Edit->Increment(), 1);

    // Equal bounds accept any entry, then force the lower bound.
    W.Edit->SetMaxValue(20);
    W.Type("999");
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "20");
    EXPECT_TRUE(Feedback.Messages.isEmpty());
}

TEST_F(IntEditTest, SignColoursFollowTheValueWhenColored)
{
    const auto colour = [this] { return W.Edit->palette().color(QPalette::Active, QPalette::Text); };
    W.Edit->SetMinValue(-10);
    W.Edit->SetValue(-2);
    W.Edit->SetColored(true);
    EXPECT_EQ(colour(), QColor(128, 0, 0));
    W.Edit->SetValue(3);
    EXPECT_EQ(colour(), QColor(0, 0, 128));
    W.Edit->SetValue(0);
    EXPECT_EQ(colour(), QColor(Qt::black));
    W.Edit->SetValue(3);
    W.Edit->SetColored(false);
    EXPECT_EQ(colour(), QColor(Qt::black));
}

TEST_F(IntEditTest, ChangeTextEventNamesTheField)
{
    QSignalSpy spy(W.Edit, &TMyCustomNumEdit::OnChangeText);
    QTest::keyClicks(W.Edit, "7");
    ASSERT_FALSE(spy.isEmpty());
    EXPECT_EQ(spy.last().at(0).value<QObject*>(), W.Edit);
}

TEST(IntEditRead, UnderstandsBlanksSignsAndHexPrefixes)
{
    const auto read = [](const char* text) -> std::optional<qint32> {
        qint32 value = 0;
        return TIntEdit::ReadInteger(QString::fromLatin1(text), value) ? std::optional(value) : std::nullopt;
    };
    EXPECT_EQ(read("  -7"), -7);
    EXPECT_EQ(read("+12"), 12);
    EXPECT_EQ(read("$1F"), 31);
    EXPECT_EQ(read("-0x10"), -16);
    EXPECT_EQ(read("-2147483648"), std::numeric_limits<qint32>::min());
    EXPECT_EQ(read("2147483647"), std::numeric_limits<qint32>::max());
    for (const char* bad : {"", "-", "0x", "$", "7 ", "1a", "12-3", "2147483648", "0xFFFFFFFFF", "$G"})
        EXPECT_EQ(read(bad), std::nullopt) << bad;
}

} // namespace
