#include "NumEditTestSupport.h"

#include "controls/uDoubleEdit.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

// Sets the default locale for the life of a test (before its widgets are made).
class TLocaleScope {
public:
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(FSaved); }

private:
    QLocale FSaved;
};

class DoubleEditTest : public testing::Test {
protected:
    explicit DoubleEditTest(const QLocale& locale = QLocale::c())
        : Locale(locale)
    {
    }

    TLocaleScope Locale;
    TFeedbackRecorder Feedback;
    TEditWindow<TDoubleEdit> W;
};

class CzechDoubleEditTest : public DoubleEditTest {
protected:
    CzechDoubleEditTest()
        : DoubleEditTest(QLocale(QLocale::Czech, QLocale::Czechia))
    {
    }
};

class AmericanDoubleEditTest : public DoubleEditTest {
protected:
    AmericanDoubleEditTest()
        : DoubleEditTest(QLocale(QLocale::English, QLocale::UnitedStates))
    {
    }
};

TEST_F(DoubleEditTest, EqualDefaultBoundsAcceptAnyEntryAndForceTheLowerBound)
{
    W.Type("55");
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "0");
    EXPECT_TRUE(Feedback.Messages.isEmpty());
}

TEST_F(DoubleEditTest, BadEntriesAreClampedOrRefusedWithTheRangeMessage)
{
    W.Edit->SetMaxValue(10);
    W.Edit->SetMinValue(1);
    W.Type("12.5");
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "10");

    // Text that cannot be read becomes 0, which the bounds then correct.
    W.Edit->setText("1-2");
    EXPECT_TRUE(W.Edit->Validate());
    EXPECT_EQ(W.Edit->text(), "1");
    W.Edit->setText("");
    EXPECT_TRUE(W.Edit->Validate());
    EXPECT_EQ(W.Edit->text(), "1");

    W.Edit->SetAutoCorrect(false);
    W.Type("0.5");
    QTest::keyClick(W.Edit, Qt::Key_Return);
    EXPECT_EQ(Feedback.Messages, QStringList{"Hodnota musí být v rozmezí od 1.00 do 10.00!"});
    EXPECT_EQ(W.Edit->text(), "0.5");
}

TEST_F(DoubleEditTest, TypingFiltersCharactersAndMapsBothSeparators)
{
    W.Type("1,5a+x");
    EXPECT_EQ(W.Edit->text(), "1.5");
    W.Type("-2.25");
    EXPECT_EQ(W.Edit->text(), "-2.25");
}

TEST_F(CzechDoubleEditTest, InputMethodTextIsFilteredAndMappedAsTypedText)
{
    W.Edit->SetMaxValue(100);
    W.Type("1");
    W.Commit(QString::fromUtf8("2.5\u00e9"));
    EXPECT_EQ(W.Edit->text(), "12,5");
    W.Leave();
    EXPECT_EQ(W.Edit->Value(), 12.5);
}

TEST_F(DoubleEditTest, KeypadPlusMakesTheValuePositiveAndStepsUseTheIncrement)
{
    W.Edit->SetMaxValue(100);
    W.Edit->SetMinValue(-100);
    W.Edit->SetIncrement(0.5);
    W.Type("-7.5");
    QTest::keyClick(W.Edit, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(W.Edit->text(), "7.5");
    QTest::keyClick(W.Edit, Qt::Key_Plus);
    EXPECT_EQ(W.Edit->text(), "7.5");
    QTest::keyClick(W.Edit, Qt::Key_Up);
    EXPECT_DOUBLE_EQ(W.Edit->Value(), 8.0);
    QTest::keyClick(W.Edit, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(W.Edit->Value(), -42.0);
}

TEST_F(DoubleEditTest, ChangingDecimalsOrBehaviourRewritesTheText)
{
    W.Edit->SetMaxValue(10);
    W.Edit->SetValue(2.4);
    EXPECT_EQ(W.Edit->text(), "2.4");
    W.Edit->SetDecimalBenhaviour(dbManual);
    EXPECT_EQ(W.Edit->text(), "2.40");
    W.Edit->SetDecimals(0);
    EXPECT_EQ(W.Edit->text(), "2");
}

TEST_F(CzechDoubleEditTest, RememberTakesDecimalsFromTheAcceptedEntry)
{
    W.Edit->SetMaxValue(100);
    W.Edit->SetDecimalBenhaviour(dbRemember);
    W.Type("3.125");
    EXPECT_EQ(W.Edit->text(), "3,125");
    QTest::keyClick(W.Edit, Qt::Key_Return);
    EXPECT_EQ(W.Edit->Decimals(), 3);
    EXPECT_EQ(W.Edit->text(), "3,125");
    EXPECT_DOUBLE_EQ(W.Edit->Value(), 3.125);

    W.Type("7");
    QTest::keyClick(W.Edit, Qt::Key_Return);
    EXPECT_EQ(W.Edit->Decimals(), 0);
    EXPECT_EQ(W.Edit->text(), "7");
}

TEST_F(AmericanDoubleEditTest, GroupedManualTextReadsBackAsTheSameNumber)
{
    W.Edit->SetMaxValue(1e6);
    W.Edit->SetDecimalBenhaviour(dbManual);
    W.Edit->SetValue(1234.5);
    EXPECT_EQ(W.Edit->text(), "1,234.50");
    EXPECT_DOUBLE_EQ(W.Edit->Value(), 1234.5);
    W.Leave();
    EXPECT_EQ(W.Edit->text(), "1,234.50");
    QTest::keyClick(W.Edit, Qt::Key_Up);
    EXPECT_EQ(W.Edit->text(), "1,235.50");
}

} // namespace
