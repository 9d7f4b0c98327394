// The TCP settings dialog.
#include "transports/tcp/gui/uf_TCPSetup.h"
#include "transports/tcp/uci_ITCPClientInterface.h"
#include "transports/uTransports.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs `drive` on the modal dialog once it is shown.
void WhenDialogShows(std::function<void(TfTCPIPDialog*)> drive)
{
    QTimer::singleShot(0, [drive] {
        auto* dialog = dynamic_cast<TfTCPIPDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        drive(dialog);
    });
}

template <class T>
T* Child(QWidget* w, const char* name)
{
    T* child = w->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

TEST(TcpSetupDialog, ApplyThenCancelReturnsTheAppliedPort)
{
    auto tcp = MakeObj<TTCPClientInterface>();
    tcp->SetConfiguration("host=module1;port=10001");
    EXPECT_TRUE(tcp->HasSetupDialog());
    WhenDialogShows([](TfTCPIPDialog* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8("Nastavení TCP"));
        EXPECT_FALSE(Child<QTabWidget>(dialog, "pcPages")->isTabVisible(1));
        auto* apply = Child<QPushButton>(dialog, "btnApply");
        EXPECT_FALSE(apply->isEnabled());
        EXPECT_EQ(Child<QLineEdit>(dialog, "edtHost")->text(), "module1");
        Child<QSpinBox>(dialog, "sePort")->setValue(2000);
        EXPECT_TRUE(apply->isEnabled());
        apply->click();
        EXPECT_FALSE(apply->isEnabled());
        Child<QSpinBox>(dialog, "sePort")->setValue(3000);
        Child<QPushButton>(dialog, "btnCancel")->click();
    });
    EXPECT_TRUE(tcp->ExecuteSetupDialog());
    EXPECT_EQ(tcp->GetPort(), 2000);
    EXPECT_EQ(tcp->GetConfiguration(), "provider=TCP_CLIENT;host=module1;port=2000");
}

TEST(TcpSetupDialog, CancelAloneChangesNothingAndOkKeepsLow16Bits)
{
    auto tcp = MakeObj<TTCPClientInterface>();
    tcp->SetConfiguration("host=a;port=1");
    WhenDialogShows([](TfTCPIPDialog* dialog) {
        Child<QSpinBox>(dialog, "sePort")->setValue(5);
        Child<QPushButton>(dialog, "btnCancel")->click();
    });
    EXPECT_FALSE(tcp->ExecuteSetupDialog());
    EXPECT_EQ(tcp->GetPort(), 1);

    WhenDialogShows([](TfTCPIPDialog* dialog) {
        Child<QLineEdit>(dialog, "edtHost")->setText("b");
        Child<QSpinBox>(dialog, "sePort")->setValue(70000);
        Child<QPushButton>(dialog, "btnOK")->click();
    });
    EXPECT_TRUE(tcp->ExecuteSetupDialog());
    EXPECT_EQ(tcp->GetConfiguration(), "provider=TCP_CLIENT;host=b;port=4464");
}

} // namespace
