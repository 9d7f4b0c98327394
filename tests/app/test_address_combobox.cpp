#include "app/uAddressComboBoxSupport.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QAbstractItemView>

#include <gtest/gtest.h>

#include <set>

namespace {

// The colours that occur in an image.
std::set<QRgb> Colours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y) & 0xFFFFFF);
    }
    return colours;
}

bool Has(const std::set<QRgb>& colours, const QColor& colour)
{
    return colours.count(colour.rgb() & 0xFFFFFF) != 0;
}

QString Texts(int address)
{
    QStringList texts;
    for (const TAddressPiece& piece : TComboBoxTarvelAddress::ComposePieces(address)) {
        if (piece.Drawn)
            texts << piece.Text;
    }
    return texts.join(' ');
}

class AddressComboBoxTest : public testing::Test {
protected:
    // Draws one item into an image the size of its rectangle, text unsmoothed so that the
    // caption colours appear unblended.
    QImage DrawItem(int index, QStyle::State state = QStyle::State_None, int height = 0)
    {
        const int width = TComboBoxTarvelAddress::ItemWidth(List);
        QImage image(width, height ? height : TComboBoxTarvelAddress::ItemHeight(List), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        TComboBoxTarvelAddress::DrawItem(&painter, List, index, image.rect(), state);
        return image;
    }

    QWidget Window;
    QComboBox* List = new QComboBox(&Window);
};

TEST_F(AddressComboBoxTest, SetupFillsTheRangeAndSelectsTheInitialAddress)
{
    TComboBoxTarvelAddress::Setup(List, 0, false, true, 50, 253);
    EXPECT_EQ(List->count(), 254);
    EXPECT_EQ(List->currentText(), "50");
    EXPECT_EQ(List->itemText(253), "253");

    TComboBoxTarvelAddress::Setup(List, 10, false, true, 7, 5);
    EXPECT_EQ(List->count(), 0);
    TComboBoxTarvelAddress::Setup(List, 10, false, true, 7, 20);
    EXPECT_EQ(List->count(), 11);
    EXPECT_EQ(List->currentIndex(), -1);

    QComboBox editable;
    editable.setEditable(true);
    TComboBoxTarvelAddress::Setup(&editable, 0, false, true, 1, 9);
    EXPECT_EQ(editable.count(), 0);
}

TEST_F(AddressComboBoxTest, ItemHeightsDoubleOnlyForTheReservedAddressesWithVariableHeight)
{
    TComboBoxTarvelAddress::Setup(List, 250, true, true, 250, 255);
    const int one = TComboBoxTarvelAddress::ItemHeight(List);
    EXPECT_EQ(one, (15 * List->logicalDpiY() + 48) / 96);
    EXPECT_EQ(TComboBoxTarvelAddress::MeasureItem(List, 3), one);
    EXPECT_EQ(TComboBoxTarvelAddress::MeasureItem(List, 4), 2 * one);
    EXPECT_EQ(TComboBoxTarvelAddress::MeasureItem(List, 5), 2 * one);
    EXPECT_EQ(TComboBoxTarvelAddress::MeasureItem(List, 6), one);
    const QModelIndex reserved = List->model()->index(5, 0);
    EXPECT_EQ(List->view()->sizeHintForIndex(reserved).height(), 2 * one);

    TComboBoxTarvelAddress::Setup(List, 250, false, true, 250, 255);
    EXPECT_EQ(List->view()->sizeHintForIndex(reserved).height(), one);
}

TEST_F(AddressComboBoxTest, PiecesShowCharacterDecimalAndHexadecimalForms)
{
    EXPECT_EQ(Texts(65), "ascii: A dec: 65 hex: 41");
    EXPECT_EQ(Texts(10), "dec: 10 hex: 0A");
    EXPECT_EQ(Texts(32), "ascii:   dec: 32 hex: 20");
    EXPECT_EQ(Texts(0xC8), QString::fromUtf8("ascii: Č dec: 200 hex: C8"));
    EXPECT_EQ(TComboBoxTarvelAddress::SecondLine(255), "(universal tarvel address)");
    EXPECT_EQ(TComboBoxTarvelAddress::SecondLine(254), "(special tarvel address)");
    EXPECT_EQ(TComboBoxTarvelAddress::SecondLine(253), "");
}

TEST_F(AddressComboBoxTest, CaptionColoursFollowTheScheme)
{
    TComboBoxTarvelAddress::Setup(List, 0, false, true, 0, 255);
    const QColor navy(0, 0, 128), green(0, 128, 0), maroon(128, 0, 0), grey(128, 128, 128);

    const auto letter = Colours(DrawItem(65));
    EXPECT_TRUE(Has(letter, navy));
    EXPECT_TRUE(Has(letter, green));
    EXPECT_TRUE(Has(letter, maroon));
    EXPECT_FALSE(Has(letter, grey));
    EXPECT_TRUE(Has(letter, List->palette().color(QPalette::Active, QPalette::Base)));

    const auto control = Colours(DrawItem(10));
    EXPECT_FALSE(Has(control, navy));
    EXPECT_FALSE(Has(control, grey)); // no character part below 32
    EXPECT_TRUE(Has(control, green));

    const auto punctuation = Colours(DrawItem(33));
    EXPECT_TRUE(Has(punctuation, grey));
    EXPECT_FALSE(Has(punctuation, navy));

    const auto selected = Colours(DrawItem(65, QStyle::State_Selected));
    EXPECT_TRUE(Has(selected, QColor(Qt::white)));
    EXPECT_TRUE(Has(selected, QColor(0, 255, 255)));
    EXPECT_TRUE(Has(selected, QColor(255, 255, 0)));
    EXPECT_TRUE(Has(selected, List->palette().color(QPalette::Active, QPalette::Highlight)));

    List->setEnabled(false);
    const auto disabled = Colours(DrawItem(65, QStyle::State_Selected));
    EXPECT_TRUE(Has(disabled, grey));
    EXPECT_FALSE(Has(disabled, navy));
    EXPECT_FALSE(Has(disabled, green));
    EXPECT_FALSE(Has(disabled, QColor(Qt::white)));
}

TEST_F(AddressComboBoxTest, ReservedAddressesCarryASecondLineOnlyWhenTall)
{
    TComboBoxTarvelAddress::Setup(List, 0, true, true, 0, 255);
    const int one = TComboBoxTarvelAddress::ItemHeight(List);
    const auto hasInkBelow = [&](const QImage& image, int top) {
        for (int y = top; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == QColor(Qt::black))
                    return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(hasInkBelow(DrawItem(255, QStyle::State_None, 2 * one), one));
    EXPECT_FALSE(hasInkBelow(DrawItem(253, QStyle::State_None, 2 * one), one));
    EXPECT_FALSE(hasInkBelow(DrawItem(255, QStyle::State_None, one), 0));

    // An item whose text is no number is only filled.
    List->addItem("x");
    const auto blank = Colours(DrawItem(List->count() - 1));
    EXPECT_EQ(blank.size(), 1u);
}

TEST_F(AddressComboBoxTest, ScreenshotOfTheOpenedList)
{
    List->setGeometry(10, 10, 220, 26);
    Window.resize(240, 60);
    TComboBoxTarvelAddress::Setup(List, 60, true, true, 65, 255);
    Window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Window));
    const QString folder = qEnvironmentVariable("VALDRIX_BUILD_DIR", QDir::currentPath()) + "/screenshots";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(Window.grab().save(folder + "/address_closed.png"));

    List->showPopup();
    QWidget* popup = List->view()->window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    List->view()->scrollToBottom();
    QCoreApplication::processEvents();
    const QImage shot = popup->grab().toImage();
    ASSERT_TRUE(shot.save(folder + "/address_list.png"));
    EXPECT_GE(shot.width(), TComboBoxTarvelAddress::ItemWidth(List));
    List->hidePopup();
}

} // namespace
