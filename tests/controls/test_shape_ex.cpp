#include "controls/ShapeEx.h"
#include "controls/ShapeExLedSchemas.h"
#include "tests/support/pump_until.h"

#include <QDir>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor Background(10, 20, 200);

// Paints the shape over a known background.
QImage Render(TShapeEx& shape)
{
    QImage image(shape.size(), QImage::Format_RGB32);
    image.fill(Background);
    shape.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QColor Pixel(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y);
}

bool IsDark(const QColor& colour)
{
    return colour.red() < 110 && colour.green() < 110 && colour.blue() < 110;
}

TEST(ShapeExPainting, CircleInAWideBoxIsCentredWithTheShorterSideAsDiameter)
{
    EXPECT_EQ(TShapeEx::DrawingBox({30, 20}, 1, stCircle), QRect(5, 0, 20, 20));
    EXPECT_EQ(TShapeEx::DrawingBox({30, 20}, 3, stRoundSquare), QRect(1, 1, 28, 18).adjusted(5, 0, -5, 0));
    EXPECT_EQ(TShapeEx::DrawingBox({30, 20}, 0, stEllipse), QRect(0, 0, 30, 20));

    TShapeEx shape;
    shape.resize(30, 20);
    shape.SetShape(stCircle);
    shape.SetBrush(QColor(Qt::white));
    const QImage image = Render(shape);
    EXPECT_EQ(Pixel(image, 15, 10), QColor(Qt::white));
    for (const QPoint outside : {QPoint(3, 10), QPoint(26, 10), QPoint(6, 1), QPoint(23, 18)})
        EXPECT_EQ(Pixel(image, outside.x(), outside.y()), Background) << outside.x() << "," << outside.y();
    for (const QPoint rim : {QPoint(5, 10), QPoint(24, 10), QPoint(15, 0), QPoint(15, 19)})
        EXPECT_TRUE(IsDark(Pixel(image, rim.x(), rim.y()))) << rim.x() << "," << rim.y();
}

TEST(ShapeExPainting, WithoutSchemaThePenAndBrushItHoldsArePainted)
{
    TShapeEx shape;
    shape.resize(20, 20);
    shape.SetPen(QPen(Qt::red, 1));
    shape.SetBrush(QColor(Qt::yellow));
    const QImage image = Render(shape);
    EXPECT_EQ(Pixel(image, 0, 0), QColor(Qt::red));
    EXPECT_EQ(Pixel(image, 19, 19), QColor(Qt::red));
    EXPECT_EQ(Pixel(image, 10, 10), QColor(Qt::yellow));

    // Rounded corners leave the corner pixel to the background.
    shape.SetShape(stRoundRect);
    shape.SetRoundCorner(12);
    EXPECT_EQ(Pixel(Render(shape), 0, 0), Background);
}

TEST(ShapeExPainting, DisabledLampPaintsInTheDisabledStyleEvenWhenDown)
{
    TShapeEx lamp;
    std::unique_ptr<TShapeExColorSchema> schema(CreateLedSchemaR(nullptr));
    lamp.resize(20, 20);
    lamp.SetShape(stCircle);
    lamp.SetColorSchema(schema.get());
    lamp.SetDown(true);
    EXPECT_EQ(Pixel(Render(lamp), 10, 10), QColor(255, 64, 64));
    lamp.setEnabled(false);
    const QImage image = Render(lamp);
    EXPECT_EQ(Pixel(image, 10, 10), QColor(224, 224, 224));
    const QColor rim = Pixel(image, 10, 0);
    EXPECT_NEAR(rim.red(), 128, 16);
    EXPECT_NEAR(rim.green(), 128, 16);
    EXPECT_NEAR(rim.blue(), 128, 16);

    // A schema that goes away leaves the shape painting with what it last held.
    schema.reset();
    EXPECT_EQ(Pixel(Render(lamp), 10, 10), QColor(224, 224, 224));
}

TEST(ShapeExPainting, CaptionIsCentredInTheFontColour)
{
    TShapeEx shape;
    shape.resize(80, 40);
    shape.SetPen(QPen(Qt::NoPen));
    shape.SetCaption("OO");
    shape.SetFontColor(Qt::red);
    const QImage image = Render(shape);
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = Pixel(image, x, y);
            if (c.red() > 128 && c.green() < 128)
                ink |= QRect(x, y, 1, 1);
        }
    }
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_NEAR(ink.center().x(), 40, 2);
    EXPECT_NEAR(ink.center().y(), 20, 3);
}

TEST(ShapeExSchema, StyleFollowsDisabledPressedHotDownInThatOrder)
{
    TShapeExColorSchema schema;
    const auto style = [](int red) { return TShapeExColorStyle{QColor(red, 0, 0), Qt::black, Qt::black}; };
    schema.SetDefaultColorStyle(style(1));
    schema.SetDownColorStyle(style(2));
    schema.SetMouseOverUpColorStyle(style(3));
    schema.SetMouseOverDownColorStyle(style(4));
    schema.SetPressedUpColorStyle(style(5));
    schema.SetPressedDownColorStyle(style(6));
    schema.SetDisabledColorStyle(style(7));
    const auto chosen = [&](bool enabled, bool down, bool hot, bool pressed) {
        return schema.ChooseStyle(enabled, down, hot, pressed).BrushColor.red();
    };
    EXPECT_EQ(chosen(true, true, true, true), 2);
    EXPECT_EQ(chosen(true, false, true, true), 1);
    schema.SetMouseOverEnabled(true);
    EXPECT_EQ(chosen(true, true, true, true), 4);
    EXPECT_EQ(chosen(true, false, true, false), 3);
    schema.SetPressedEnabled(true);
    EXPECT_EQ(chosen(true, true, true, true), 6);
    EXPECT_EQ(chosen(true, false, false, true), 5);
    EXPECT_EQ(chosen(false, true, true, true), 7);
}

// Lamps under one panel, shown, so that real mouse clicks reach them.
class ShapeExClicks : public testing::Test {
protected:
    ShapeExClicks()
    {
        Panel.resize(200, 40);
        for (int i = 0; i < 3; ++i) {
            Lamps[i] = new TShapeEx(&Panel);
            Lamps[i]->setGeometry(5 + 40 * i, 5, 30, 30);
            Lamps[i]->SetAllowDown(true);
            Lamps[i]->SetAllowUp(true);
        }
        Panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&Panel));
    }

    void Click(TShapeEx* lamp) { QTest::mouseClick(lamp, Qt::LeftButton, {}, QPoint(15, 15)); }

    QWidget Panel;
    TShapeEx* Lamps[3];
};

TEST_F(ShapeExClicks, GroupedLampsReleaseTheirSiblingsUngroupedOnesNever)
{
    Lamps[0]->SetGroup(3);
    Lamps[1]->SetGroup(3);
    Click(Lamps[0]);
    Click(Lamps[2]);
    EXPECT_TRUE(Lamps[0]->Down());
    Click(Lamps[1]);
    EXPECT_TRUE(Lamps[1]->Down());
    EXPECT_FALSE(Lamps[0]->Down());
    EXPECT_TRUE(Lamps[2]->Down());
    Click(Lamps[2]);
    EXPECT_FALSE(Lamps[2]->Down());
    EXPECT_TRUE(Lamps[1]->Down());
}

TEST_F(ShapeExClicks, ClickHandlerSeesTheNewStateAndAllowUpFalseKeepsItDown)
{
    TShapeEx* lamp = Lamps[0];
    lamp->SetAllowUp(false);
    QList<bool> seen;
    QObject::connect(lamp, &TShapeEx::onClick, [&](TShapeEx* sender) { seen << sender->Down(); });
    Click(lamp);
    Click(lamp);
    EXPECT_EQ(seen, (QList<bool>{true, true}));

    // Input lamps: clicks fire but never change them.
    Lamps[1]->SetAllowDown(false);
    Lamps[1]->SetAllowUp(false);
    QSignalSpy spy(Lamps[1], &TShapeEx::onClick);
    Click(Lamps[1]);
    EXPECT_EQ(spy.size(), 1);
    EXPECT_FALSE(Lamps[1]->Down());

    // A release outside the lamp is no click.
    QTest::mousePress(Lamps[2], Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_TRUE(Lamps[2]->Pressed());
    QTest::mouseRelease(Lamps[2], Qt::LeftButton, {}, QPoint(100, 15));
    EXPECT_FALSE(Lamps[2]->Pressed());
    EXPECT_FALSE(Lamps[2]->Down());
}

TEST_F(ShapeExClicks, HoverAndPressedStylesShowWhileTheMouseActs)
{
    TShapeExColorSchema schema;
    schema.SetMouseOverEnabled(true);
    schema.SetPressedEnabled(true);
    schema.SetMouseOverUpColorStyle({Qt::green, Qt::black, Qt::black});
    schema.SetPressedUpColorStyle({Qt::magenta, Qt::black, Qt::black});
    TShapeEx* lamp = Lamps[0];
    lamp->SetColorSchema(&schema);
    QTest::mouseMove(lamp, QPoint(15, 15));
    EXPECT_TRUE(PumpUntil([&] { return lamp->Hot(); }, std::chrono::seconds(5)));
    EXPECT_EQ(Pixel(Render(*lamp), 15, 15), QColor(Qt::green));
    QTest::mousePress(lamp, Qt::LeftButton, {}, QPoint(15, 15));
    EXPECT_EQ(Pixel(Render(*lamp), 15, 15), QColor(Qt::magenta));
    QTest::mouseRelease(lamp, Qt::LeftButton, {}, QPoint(15, 15));
    QTest::mouseMove(&Panel, QPoint(190, 35));
    EXPECT_TRUE(PumpUntil([&] { return !lamp->Hot(); }, std::chrono::seconds(5)));
}

// A row per lamp schema: up, down, hot (schemas without hover look up), disabled up and
// disabled down, each with a caption; written for a person to look at.
TEST(ShapeExScreenshot, LampsInEveryState)
{
    QWidget panel;
    panel.setAutoFillBackground(true);
    panel.setPalette(QPalette(QColor(240, 240, 240)));
    panel.resize(5 * 50 + 10, 3 * 40 + 10);
    std::unique_ptr<TShapeExColorSchema> schemas[] = {std::unique_ptr<TShapeExColorSchema>(CreateLedSchemaG(nullptr)),
                                                      std::unique_ptr<TShapeExColorSchema>(CreateLedSchemaR(nullptr)),
                                                      std::unique_ptr<TShapeExColorSchema>(CreateLedSchemaY(nullptr))};
    const char* captions[] = {"up", "dn", "hot", "x", "xd"};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 5; ++column) {
            auto* lamp = new TShapeEx(&panel);
            lamp->setGeometry(10 + column * 50, 10 + row * 40, 40, 30);
            lamp->SetShape(column == 2 ? stRoundRect : stCircle);
            lamp->SetColorSchema(schemas[row].get());
            lamp->SetCaption(captions[column]);
            lamp->SetDown(column == 1 || column == 4);
            lamp->setEnabled(column < 3);
        }
    }
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    auto* hot = static_cast<TShapeEx*>(panel.childAt(10 + 2 * 50 + 20, 10 + 15));
    QTest::mouseMove(hot, QPoint(10, 10));
    ASSERT_TRUE(PumpUntil([&] { return hot->Hot(); }, std::chrono::seconds(5)));
    const QString folder = qEnvironmentVariable("VALDRIX_BUILD_DIR", QDir::currentPath()) + "/screenshots";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QImage shot = panel.grab().toImage();
    ASSERT_TRUE(shot.save(folder + "/lamps.png"));
    // The red schema's down lamp carries its bright brush.
    EXPECT_EQ(shot.pixelColor(10 + 50 + 20, 10 + 40 + 22), QColor(255, 64, 64));
}

} // namespace
