// The settings form of the USB converter transport, shown modally by ExecuteSetupDialog.
#include "tests/transports/ftdi/test_ftdi_device_support.h"

#include "transports/ftdi/gui/uf_FTDISetup.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

struct TSeenForm {
    QString Caption;
    QSize Size;
    QString BaudRate;
    QString GroupTitle;
    int CaptionlessButtons = 0;
};

// Once the form shows: notes what it shows, then ends it accepted or not.
void AnswerForm(TSeenForm& seen, bool accept)
{
    QTimer::singleShot(0, [&seen, accept] {
        auto* form = dynamic_cast<TfFTDIdialog*>(QApplication::activeModalWidget());
        if (!form) return AnswerForm(seen, accept);
        seen.Caption = form->windowTitle();
        seen.Size = form->size();
        seen.BaudRate = form->BaudRateLabel()->text();
        seen.GroupTitle = form->findChild<QGroupBox*>("GroupBox1")->title();
        for (QPushButton* button : form->findChildren<QPushButton*>())
            seen.CaptionlessButtons += button->text().isEmpty() ? 1 : 0;
        accept ? form->accept() : form->reject();
    });
}

} // namespace

using FTDISetupForm = FTDIDeviceTest;

TEST_F(FTDISetupForm, ShowsTheBaudRateAndChangesNothing)
{
    IntfPtr<TFTDIDevice> device = NewDevice("serial_number=FT1;baudrate=38400");
    EXPECT_TRUE(device->HasSetupDialog());
    const std::string before = device->GetConfiguration();
    const int changes = FRecorder.Snapshot().ConfigChanges;

    TSeenForm seen;
    AnswerForm(seen, false);
    EXPECT_FALSE(device->ExecuteSetupDialog());
    EXPECT_EQ(seen.Caption, "fFTDIdialog");
    EXPECT_EQ(seen.Size, QSize(315, 258));
    EXPECT_EQ(seen.BaudRate, "38400");
    EXPECT_EQ(seen.GroupTitle, "GroupBox1");
    EXPECT_EQ(seen.CaptionlessButtons, 3);
    EXPECT_EQ(FRecorder.Snapshot().ConfigChanges, changes);

    AnswerForm(seen, true);
    EXPECT_TRUE(device->ExecuteSetupDialog());
    EXPECT_EQ(FRecorder.Snapshot().ConfigChanges, changes + 1);
    EXPECT_EQ(device->GetConfiguration(), before);
}
