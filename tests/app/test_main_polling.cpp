// The polling rotation and the I/O panel against the simulated module, and the drag
// tracker of the analog output panels.
#include "test_main_fixture.h"

#include "app/uMouseScroller.h"
#include "controls/ShapeEx.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

namespace {

// The simulator's frozen inputs: 1, 2, 7, 8, 10, 12, 13 and 15 are on.
bool StaticInputOn(int n) { return n == 1 || n == 2 || n == 7 || n == 8 || n == 10 || n == 12 || n == 13 || n == 15; }

void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QPoint DesktopCentre() { return QGuiApplication::primaryScreen()->virtualGeometry().center(); }

} // namespace

TEST_F(MainWindowTest, OneRotationFillsLampsAndFields)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());

    for (int n = 1; n <= 16; ++n) {
        TShapeEx* lamp = Find<TShapeEx>(QStringLiteral("shpxDI%1").arg(n));
        EXPECT_TRUE(lamp->isEnabled()) << n;
        EXPECT_EQ(lamp->Down(), StaticInputOn(n)) << n;
        EXPECT_EQ(Text(QStringLiteral("edtDI%1Counter").arg(n)), QString::number(1001 * n));
    }
    for (int n = 1; n <= 10; ++n) EXPECT_FALSE(Find<TShapeEx>(QStringLiteral("shpxDO%1").arg(n))->Down()) << n;
    const QStringList raw = {"25000", "12500", "30000", "40000"};
    const QStringList calibrated = {"5000", "2500", "6000", "8000"};
    const QLocale locale;
    const QStringList temperatures = {locale.toString(21.5, 'f', 1), locale.toString(23.0, 'f', 1),
                                      locale.toString(-4.5, 'f', 1), locale.toString(36.6, 'f', 1)};
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(Text(QStringLiteral("edtAD%1RawValue").arg(n)), raw[n - 1]);
        EXPECT_EQ(Text(QStringLiteral("edtAD%1Value").arg(n)), calibrated[n - 1]);
        EXPECT_EQ(Text(QStringLiteral("edtTemp%1").arg(n)), temperatures[n - 1]);
    }
    EXPECT_TRUE(Messages.isEmpty());
}

TEST_F(MainWindowTest, InvalidChannelsShowADash)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    // On the 4-20 mA range input 2's signal (2 mA) lies below the range and reads invalid.
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.SetInputRange(2, 6); }));
    WaitRotation();
    EXPECT_EQ(Text(QStringLiteral("edtAD2RawValue")), QStringLiteral("-"));
    EXPECT_EQ(Text(QStringLiteral("edtAD2Value")), QStringLiteral("-"));
    EXPECT_EQ(Text(QStringLiteral("edtAD1Value")), QStringLiteral("5000"));
    EXPECT_TRUE(Main().Connected());
}

TEST_F(MainWindowTest, OutputLampClickSwitchesTheModulesOutput)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    TShapeEx* lamp = Find<TShapeEx>(QStringLiteral("shpxDO3"));
    QTest::mouseClick(lamp, Qt::LeftButton);
    WaitActions();
    EXPECT_EQ(StatusText(), QString());
    EXPECT_EQ(StatusColour(), QColor(0x00, 0x80, 0x00));
    bool on = false;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutput(3, on); }));
    EXPECT_TRUE(on);
    WaitRotation();
    EXPECT_TRUE(lamp->Down());

    QTest::mouseClick(lamp, Qt::LeftButton);
    WaitActions();
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutput(3, on); }));
    EXPECT_FALSE(on);
    WaitRotation();
    EXPECT_FALSE(lamp->Down());
}

TEST_F(MainWindowTest, RunningOutputSwitchesOneOutputAfterAnother)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    const std::vector<int> expected = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2};
    for (size_t press = 0; press < expected.size(); ++press) {
        Click(QStringLiteral("btnOSetNext"));
        TValdrixOutputBits states;
        ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutputs(states); }));
        for (int n = 1; n <= 10; ++n) EXPECT_EQ(states[n], n == expected[press]) << "press " << press << " output " << n;
    }
    // "Sepnout první vstup" starts again at output 1.
    Click(QStringLiteral("btnOSetFirst"));
    TValdrixOutputBits states;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutputs(states); }));
    EXPECT_TRUE(states[1]);
    EXPECT_FALSE(states[3]);
    Click(QStringLiteral("btnOSetNext"));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetOutputs(states); }));
    EXPECT_TRUE(states[2]);
}

TEST_F(MainWindowTest, DraggingTheRawPanelSendsTheValueOnTheNextTick)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    QCursor::setPos(DesktopCentre());
    QLabel* panel = Find<QLabel>(QStringLiteral("pnlDA2Raw"));
    SendMouse(panel, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    SendMouse(panel, QEvent::MouseMove, QPoint(405, 5), Qt::LeftButton);
    EXPECT_EQ(panel->text(), QStringLiteral("100"));
    EXPECT_EQ(Main().PendingOutput(), 2);
    ASSERT_TRUE(PumpUntil([&] { return Main().PendingOutput() == 0; }));
    int32_t value = -1;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetAnalogOutput(2, value, true); }));
    EXPECT_EQ(value, 100);

    // 150 pixels up change nothing, 200 pixels up add 1000.
    SendMouse(panel, QEvent::MouseMove, QPoint(405, -145), Qt::LeftButton);
    EXPECT_EQ(panel->text(), QStringLiteral("100"));
    SendMouse(panel, QEvent::MouseMove, QPoint(405, -195), Qt::LeftButton);
    EXPECT_EQ(panel->text(), QStringLiteral("1100"));
    SendMouse(panel, QEvent::MouseButtonRelease, QPoint(405, -195), Qt::NoButton);
    ASSERT_TRUE(PumpUntil([&] { return Main().PendingOutput() == 0; }));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetAnalogOutput(2, value, true); }));
    EXPECT_EQ(value, 1100);

    // A new drag resumes from the value last set; moves after the release do nothing.
    SendMouse(panel, QEvent::MouseMove, QPoint(900, 5), Qt::NoButton);
    EXPECT_EQ(panel->text(), QStringLiteral("1100"));
    SendMouse(panel, QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton);
    SendMouse(panel, QEvent::MouseMove, QPoint(16, 20), Qt::LeftButton);
    EXPECT_EQ(panel->text(), QStringLiteral("1099"));
    SendMouse(panel, QEvent::MouseMove, QPoint(-8000, 20), Qt::LeftButton);
    EXPECT_EQ(panel->text(), QStringLiteral("0"));
    SendMouse(panel, QEvent::MouseButtonRelease, QPoint(-8000, 20), Qt::NoButton);
    ASSERT_TRUE(PumpUntil([&] { return Main().PendingOutput() == 0; }));
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetAnalogOutput(2, value, true); }));
    EXPECT_EQ(value, 0);
    EXPECT_EQ(Find<QLabel>(QStringLiteral("pnlDA1Raw"))->text(), QStringLiteral("-"));
}

// Nudging a value with short drags: Qt delivers every second quick press as a double
// click, which must start a drag as a press does.
TEST_F(MainWindowTest, QuickRepeatedDragsOnTheRawPanelEachMoveTheValue)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    QCursor::setPos(DesktopCentre());
    QLabel* panel = Find<QLabel>(QStringLiteral("pnlDA3Raw"));
    const QEvent::Type presses[] = {QEvent::MouseButtonPress, QEvent::MouseButtonDblClick, QEvent::MouseButtonPress};
    int expected = 0;
    for (const QEvent::Type press : presses) {
        SendMouse(panel, press, QPoint(5, 5), Qt::LeftButton);
        SendMouse(panel, QEvent::MouseMove, QPoint(45, 5), Qt::LeftButton);
        SendMouse(panel, QEvent::MouseButtonRelease, QPoint(45, 5), Qt::NoButton);
        expected += 10;
        EXPECT_EQ(panel->text(), QString::number(expected)) << press;
    }
    ASSERT_TRUE(PumpUntil([&] { return Main().PendingOutput() == 0; }));
    int32_t value = -1;
    ASSERT_TRUE(Module([&](IValdrix& d) { return d.GetAnalogOutput(3, value, true); }));
    EXPECT_EQ(value, expected);
}

TEST(MouseScroller, DragValueStepsAndLimits)
{
    EXPECT_EQ(DragValue(0, 0), 0);
    EXPECT_EQ(DragValue(400, 0), 100);
    EXPECT_EQ(DragValue(403, 0), 100);
    EXPECT_EQ(DragValue(400, -200), 1100);
    EXPECT_EQ(DragValue(400, -199), 100);
    EXPECT_EQ(DragValue(400, 150), 100);
    EXPECT_EQ(DragValue(4000, 200), 0);
    EXPECT_EQ(DragValue(-4, 0), 0);
    EXPECT_EQ(DragValue(100000, 0), 4095);
    EXPECT_EQ(DragValue(0, -1000), 4095);
    EXPECT_EQ(DragValue(INT32_MAX, INT32_MIN), 4095);
}

TEST(MouseScroller, CursorWrapsAtTheDesktopEdgesAndTheOriginFollows)
{
    const QRect desktop(0, 0, 1024, 768);
    TMouseScroller scroller;
    scroller.Start(10, 10, 0, 0);
    EXPECT_EQ(scroller.WrapCursor(QPoint(500, 400), desktop), QPoint(500, 400));
    EXPECT_EQ(scroller.OriginX, 10);

    EXPECT_EQ(scroller.WrapCursor(QPoint(1023, 400), desktop), QPoint(1, 400));
    EXPECT_EQ(scroller.OriginX, 10 - 1022);
    EXPECT_EQ(scroller.WrapCursor(QPoint(0, 0), desktop), QPoint(1022, 766));
    EXPECT_EQ(scroller.OriginX, 10);
    EXPECT_EQ(scroller.OriginY, 10 + 766);
    // A desktop that does not start at 0: its bottom edge (exclusive) is 768.
    EXPECT_EQ(scroller.WrapCursor(QPoint(7, 767), QRect(-200, 100, 400, 668)), QPoint(7, 101));
    EXPECT_EQ(scroller.OriginY, 10 + 766 - 666);

    // Through the real cursor: a move on the right edge puts it back on the left.
    const QRect virtualDesktop = QGuiApplication::primaryScreen()->virtualGeometry();
    QCursor::setPos(virtualDesktop.right(), virtualDesktop.center().y());
    TMouseScroller live;
    live.Start(0, 0, 0, 0);
    live.Move(40, 0);
    EXPECT_EQ(live.DeltaX, 40);
    EXPECT_EQ(QCursor::pos().x(), virtualDesktop.left() + 1);
    EXPECT_EQ(live.OriginX, virtualDesktop.left() - virtualDesktop.right() - 1 + 2);
    live.Stop();
    live.Move(80, 0);
    EXPECT_EQ(live.DeltaX, 40);
}
