// The line settings dialog of the serial ports.
#include "transports/serial/AfComPort.h"
#include "transports/serial/gui/AfComPortConfigDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(AfComPortConfigDialog, ConfirmedSettingsBecomeThePortsProperties)
{
    TAfComPort port("P");
    port.SetParity(TAfParity::paOdd);
    QTimer::singleShot(0, [] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->findChild<QComboBox*>("cbbParity")->currentIndex(), 1);
        dialog->findChild<QComboBox*>("cbbBaudRate")->setCurrentText("250000");
        dialog->findChild<QComboBox*>("cbbDatabits")->setCurrentIndex(3);
        dialog->findChild<QComboBox*>("cbbStopbits")->setCurrentIndex(2);
        dialog->findChild<QComboBox*>("cbbFlowControl")->setCurrentIndex(2);
        dialog->findChild<QPushButton*>("btnOK")->click();
    });
    EXPECT_TRUE(port.ExecuteConfigDialog());
    EXPECT_EQ(port.BaudRate(), TAfBaudrate::brUser);
    EXPECT_EQ(port.UserBaudRate(), 250000u);
    EXPECT_EQ(port.Databits(), TAfDatabits::db7);
    EXPECT_EQ(port.Stopbits(), TAfStopbits::sbTwo);
    EXPECT_EQ(port.FlowControl(), TAfFlowControl::fwRtsCts);
    EXPECT_EQ(port.Parity(), TAfParity::paOdd);

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("btnCancel")->click(); });
    EXPECT_FALSE(port.ExecuteConfigDialog());
}
