// The connection dialog, driven as the technician drives it: real pseudo-terminals as
// serial ports (linked as COM<n> in a private VALDRIX_COM_DIR) and converters listed
// through the fake converter library the tests build.
#include "app/ufConnectionDialog.h"

#include "controls/uIntEdit.h"
#include "tests/transports/test_af_pty.h"
#include "transports/scan/uComPortProbe.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/file.h>
#include <sys/ioctl.h>

namespace {

// Far above the fixed device table, so that only this test's entries answer to them.
constexpr int LowPort = 201;
constexpr int HighPort = 205;

// Binds the process's converter library to the fake one (or, with the vendor library
// absent, libftdi1 to its stand-in) and attaches converters to it through the library's
// own control functions.
class TFakeConverters {
public:
    enum TLibrary { Vendor, Ftdi1 };
    explicit TFakeConverters(const char* variable = "VALDRIX_FAKE_D2XX", TLibrary library = Vendor)
    {
        const char* path = std::getenv(variable);
        if (!path) throw std::runtime_error(std::string(variable) + " names no library; run through ctest");
        ::setenv("VALDRIX_D2XX_LIBRARY", library == Vendor ? path : "none", 1);
        if (library == Ftdi1) ::setenv("VALDRIX_LIBFTDI1_LIBRARY", path, 1);
        BindFTDILibrary();
        FControl = ::dlopen(path, RTLD_NOW | RTLD_NOLOAD);
        if (!FControl) throw std::runtime_error("fake converter library not loaded");
    }
    ~TFakeConverters()
    {
        Clear();
        ::dlclose(FControl);
        ReleaseFTDILibrary();
        ::unsetenv("VALDRIX_D2XX_LIBRARY");
        ::setenv("VALDRIX_LIBFTDI1_LIBRARY", "/nonexistent/libftdi1.so.2", 1);
    }
    void Attach(const char* serialNumber, const char* description)
    {
        Control<void (*)(const char*, const char*)>("FakeD2xxAddConverter")(serialNumber, description);
    }
    void Clear() { Control<void (*)()>("FakeD2xxClearConverters")(); }

private:
    template <class F>
    F Control(const char* name)
    {
        auto function = reinterpret_cast<F>(::dlsym(FControl, name));
        if (!function) throw std::runtime_error(name);
        return function;
    }
    void* FControl = nullptr;
};

// Holds a port the way an open transport does: exclusive mode and the advisory lock.
class TPortHolder {
public:
    explicit TPortHolder(const std::string& path) : FFd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        EXPECT_GE(FFd, 0);
        EXPECT_EQ(::ioctl(FFd, TIOCEXCL), 0);
        EXPECT_EQ(::flock(FFd, LOCK_EX | LOCK_NB), 0);
    }
    ~TPortHolder() { ::close(FFd); }

private:
    int FFd;
};

class ConnectionDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        FComDir.Link(LowPort, FLow.SlavePath());
        FComDir.Link(HighPort, FHigh.SlavePath());
        Dialog = std::make_unique<TfConnectionDialog>();
    }

    template <class T = QWidget>
    T* Find(const char* name) const
    {
        T* child = Dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    QComboBox* List(const char* name) const { return Find<QComboBox>(name); }
    QString Text(const char* name) const { return Find<QLineEdit>(name)->text(); }

    // The port behind each item of cbCOM, in list order.
    std::vector<TComPortItem> Ports() const
    {
        std::vector<TComPortItem> ports;
        const QComboBox* list = List("cbCOM");
        for (int row = 0; row < list->count(); ++row)
            ports.push_back(list->itemData(row, TComPortStringList::ItemRole).value<TComPortItem>());
        return ports;
    }
    int SelectedPort() const
    {
        const QComboBox* list = List("cbCOM");
        const int row = list->currentIndex();
        return row < 0 ? 0 : list->itemData(row, TComPortStringList::ItemRole).value<TComPortItem>().Port;
    }
    bool Listed(int port) const
    {
        const auto ports = Ports();
        return std::any_of(ports.begin(), ports.end(), [port](const TComPortItem& item) { return item.Port == port; });
    }
    // Waits until the scan has settled with exactly the expected test ports listed.
    bool WaitForPorts(bool low, bool high) const
    {
        return PumpUntil([&] {
            const auto ports = Ports();
            const bool probing = std::any_of(ports.begin(), ports.end(),
                                             [](const TComPortItem& item) { return item.State == cpsProbing; });
            return !probing && Listed(LowPort) == low && Listed(HighPort) == high;
        }, std::chrono::seconds(60));
    }

    // Runs Execute; whileOpen acts on the open dialog and must close it. Loading may run
    // the event loop before the dialog shows, so the action waits until it is shown.
    bool Execute(std::string& connectionString, const std::function<void()>& whileOpen)
    {
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!Dialog->isVisible()) return;
            timer.stop();
            whileOpen();
            if (Dialog->isVisible()) {
                ADD_FAILURE() << "the dialog was left open";
                Dialog->reject();
            }
        });
        timer.start();
        return Dialog->Execute(connectionString);
    }
    void Click(const char* name) { Find<QAbstractButton>(name)->click(); }

    TComLinks FComDir;
    TPty FLow, FHigh;
    std::unique_ptr<TfConnectionDialog> Dialog;
};

TEST_F(ConnectionDialogTest, ComposesEachPanelFromTheLoadedString)
{
    Dialog->Load("");
    ASSERT_TRUE(WaitForPorts(true, true));

    Dialog->Load("");
    EXPECT_TRUE(Find<QRadioButton>("rbCOM")->isChecked());
    const auto ports = Ports();
    const int expected = !ports.empty() && ports.front().Port <= 1 ? ports.front().Port : 0;
    EXPECT_EQ(SelectedPort(), expected) << "port 1, or the nearest lower one, or none";
    EXPECT_EQ(Dialog->Compose(), "provider=SERIAL_PORT;comport=" + std::to_string(expected) + ";baudrate=115200");

    Dialog->Load("provider=serial_port;comport=204;baudrate=1234");
    EXPECT_EQ(SelectedPort(), LowPort) << "nearest lower port present";
    EXPECT_EQ(List("cbCOMBaudrate")->currentText(), "110") << "unknown rate: the first one";
    EXPECT_EQ(Dialog->Compose(), "provider=SERIAL_PORT;comport=201;baudrate=110");

    Dialog->Load("provider=SERIAL_PORT;comport=205;baudrate=9600;parity=2");
    EXPECT_EQ(Dialog->Compose(), "provider=SERIAL_PORT;comport=205;baudrate=9600") << "other keys are dropped";

    Dialog->Load("provider=TCP_CLIENT;host=module7.lan;port=4001");
    EXPECT_TRUE(Find<QRadioButton>("rbTCP")->isChecked());
    EXPECT_EQ(Text("eIP"), "module7.lan");
    EXPECT_EQ(Find<TIntEdit>("iePort")->Value(), 4001);
    EXPECT_EQ(Dialog->Compose(), "provider=TCP_CLIENT;host=module7.lan;port=4001");
    EXPECT_FALSE(List("cbCOM")->isEnabled());
    EXPECT_FALSE(Find<QLabel>("lCOMPort")->isEnabled());
    EXPECT_TRUE(Find("iePort")->isEnabled());
    EXPECT_TRUE(Find("rbCOM")->isEnabled()) << "radio buttons stay usable";

    Dialog->Load("provider=tcp_client");
    EXPECT_EQ(Dialog->Compose(), "provider=TCP_CLIENT;host=;port=10001");

    Dialog->Load("provider=FTD_USB;serial_number=FT123;baudrate=57600");
    EXPECT_TRUE(Find<QRadioButton>("rbUSB")->isChecked());
    EXPECT_EQ(Dialog->Compose(), "provider=FTD_USB;serial_number=FT123;baudrate=57600");
    EXPECT_FALSE(Find("iePort")->isEnabled());

    Dialog->Load("provider=SOMETHING_ELSE;comport=999");
    EXPECT_TRUE(Find<QRadioButton>("rbCOM")->isChecked());
    EXPECT_EQ(SelectedPort(), HighPort);
    EXPECT_EQ(List("cbCOMBaudrate")->currentText(), "115200") << "no rate given: the default";
}

TEST_F(ConnectionDialogTest, ExecuteReturnsTheComposedStringOnlyWhenConfirmed)
{
    TFakeConverters converters;
    std::string text = "provider=FTD_USB;serial_number=FT123;baudrate=9600";
    bool expertWhileOpen = false, usbShown = false;
    QString serialShown;
    EXPECT_TRUE(Execute(text, [&] {
        expertWhileOpen = Find<QToolButton>("sbExpertMode")->isChecked();
        usbShown = Find("pUSB")->isVisible();
        serialShown = Text("eSerialNumber");
        Click("bOK");
    }));
    EXPECT_TRUE(expertWhileOpen) << "a USB string switches expert mode on";
    EXPECT_TRUE(usbShown);
    EXPECT_EQ(serialShown, "FT123") << "shown although no such converter is attached";
    EXPECT_EQ(text, "provider=FTD_USB;serial_number=FT123;baudrate=9600");

    text = "provider=TCP_CLIENT;host=10.0.0.5;port=502";
    EXPECT_FALSE(Execute(text, [&] {
        Find<QLineEdit>("eIP")->setText("10.0.0.99");
        Click("bCancel");
    }));
    EXPECT_EQ(text, "provider=TCP_CLIENT;host=10.0.0.5;port=502");
    EXPECT_EQ(Text("eIP"), "10.0.0.99") << "the controls keep the edits";

    EXPECT_FALSE(Execute(text, [&] { Dialog->close(); }));
    EXPECT_EQ(text, "provider=TCP_CLIENT;host=10.0.0.5;port=502");
}

TEST_F(ConnectionDialogTest, TypedTcpValuesCannotCorruptTheString)
{
    QStringList refused;
    const auto saved = std::exchange(TMyCustomNumEdit::ShowRangeMessage,
                                     [&](QWidget*, const QString& message) { refused << message; });
    std::string text = "provider=TCP_CLIENT;host=x;port=1";
    EXPECT_TRUE(Execute(text, [&] {
        auto* ip = Find<QLineEdit>("eIP");
        ip->clear();
        QTest::keyClicks(ip, "10.1.1.1;b");
        auto* port = Find<TIntEdit>("iePort");
        // A port outside 1..65535 is refused with the range, and the dialog stays open.
        for (const char* typed : {"99999", "0"}) {
            port->setFocus();
            port->selectAll();
            QTest::keyClicks(port, typed);
            Click("bOK"); // the focus stays in the port field
            EXPECT_TRUE(Dialog->isVisible()) << typed;
        }
        port->selectAll();
        QTest::keyClicks(port, "502");
        Click("bOK");
    }));
    TMyCustomNumEdit::ShowRangeMessage = saved;
    EXPECT_EQ(refused, QStringList(2, QStringLiteral("Datový port musí být v rozmezí od 1 do 65535!")));
    EXPECT_EQ(text, "provider=TCP_CLIENT;host=10.1.1.1b;port=502");
}

// Enter confirms from any field (Ok is the one default button), Escape cancels.
TEST_F(ConnectionDialogTest, EnterConfirmsFromEveryFieldAndEscapeCancels)
{
    for (const char* field : {"eIP", "iePort", "rbTCP"}) {
        std::string text = "provider=TCP_CLIENT;host=10.0.0.7;port=502";
        EXPECT_TRUE(Execute(text, [&] {
            QWidget* focus = Find(field);
            focus->setFocus();
            EXPECT_TRUE(Find<QPushButton>("bOK")->isDefault());
            for (const char* other : {"bCOMRefresh", "bUSBRefresh", "bCancel"})
                EXPECT_FALSE(Find<QPushButton>(other)->isDefault()) << other;
            QTest::keyClick(focus, Qt::Key_Return);
        })) << field;
        EXPECT_EQ(text, "provider=TCP_CLIENT;host=10.0.0.7;port=502") << field;
    }
    std::string text = "provider=TCP_CLIENT;host=10.0.0.7;port=502";
    EXPECT_FALSE(Execute(text, [&] { QTest::keyClick(Find("eIP"), Qt::Key_Escape); }));
}

TEST_F(ConnectionDialogTest, ExpertModeShowsTheUsbPanelAndTheComRate)
{
    Dialog->show();
    auto* expert = Find<QToolButton>("sbExpertMode");
    EXPECT_FALSE(expert->isChecked());
    EXPECT_FALSE(Find("pUSB")->isVisible());
    EXPECT_FALSE(Find("cbCOMBaudrate")->isVisible());
    EXPECT_FALSE(Find("lCOMBaudrate")->isVisible());
    Dialog->Load("provider=SERIAL_PORT;comport=205;baudrate=19200");
    EXPECT_TRUE(Dialog->Compose().ends_with(";baudrate=19200")) << "the hidden list still supplies its rate";

    Click("sbExpertMode");
    EXPECT_TRUE(expert->isChecked());
    EXPECT_TRUE(Find("pUSB")->isVisible());
    EXPECT_TRUE(Find("cbCOMBaudrate")->isVisible());
    Click("sbExpertMode");
    EXPECT_FALSE(Find("pUSB")->isVisible());
}

TEST_F(ConnectionDialogTest, ScanFollowsPortsThatVanishOrBecomeBusy)
{
    Dialog->Load("");
    ASSERT_TRUE(WaitForPorts(true, true));

    std::filesystem::remove(FComDir.Port(HighPort));
    TPortHolder holder(FLow.SlavePath());
    Click("bCOMRefresh");
    Click("bCOMRefresh"); // restarted while the first scan runs
    ASSERT_TRUE(WaitForPorts(true, false));
    const auto ports = Ports();
    const auto low = std::find_if(ports.begin(), ports.end(), [](const TComPortItem& item) { return item.Port == LowPort; });
    EXPECT_EQ(low->State, cpsBusy);
    EXPECT_EQ(ports.size(), size_t(List("cbCOM")->count()));
    EXPECT_GE(List("cbCOM")->currentIndex(), 0) << "a refresh selects the first port";
}

// A scan inserts a row for every port it probes and removes those it finds absent. The
// rows change here through a second adapter on the list's rows, as the scanner's reports
// change them, once the real scan has settled.
TEST_F(ConnectionDialogTest, ScanChangesKeepThePortTheUserChose)
{
    Dialog->Load("comport=" + std::to_string(LowPort));
    ASSERT_TRUE(WaitForPorts(true, true));
    ASSERT_EQ(SelectedPort(), LowPort);
    QComboBox* list = List("cbCOM");
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(SelectedPort(), HighPort) << "the user picks the next port";
    TComPortStringList rows;
    rows.Items = list->model();

    struct TStep {
        int Port;
        uint8_t State;
        int Selected;
    };
    const TStep steps[] = {
        {LowPort + 1, cpsProbing, HighPort}, {HighPort + 1, cpsProbing, HighPort},
        {HighPort, cpsProbing, HighPort},    {HighPort, cpsAbsent, 0},
        {LowPort + 1, cpsAbsent, 0},         {HighPort, cpsPresent, HighPort},
    };
    for (const TStep& step : steps) {
        rows.UpdatePort(step.Port, step.State);
        EXPECT_EQ(SelectedPort(), step.Selected) << "port " << step.Port << " state " << int(step.State);
    }

    // Nothing chosen stays so, also when a port appears in the emptied list.
    Dialog->Load("comport=0");
    while (list->count() > 0)
        rows.UpdatePort(list->itemData(0, TComPortStringList::ItemRole).value<TComPortItem>().Port, cpsAbsent);
    rows.UpdatePort(LowPort, cpsProbing);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_EQ(Dialog->Compose(), "provider=SERIAL_PORT;comport=0;baudrate=115200");
}

TEST_F(ConnectionDialogTest, ClosingOrDestroyingTheDialogWhileScanning)
{
    std::string text;
    EXPECT_FALSE(Execute(text, [&] {
        Click("bCOMRefresh");
        Click("bCancel");
    }));
    EXPECT_TRUE(WaitForPorts(true, true)) << "the scan goes on while the dialog is hidden";

    Click("bCOMRefresh");
    Dialog.reset(); // with workers probing and reports queued for the dialog
    QCoreApplication::processEvents();
}

TEST_F(ConnectionDialogTest, DeviceListShowsReadableConvertersInOrder)
{
    TFakeConverters converters;
    converters.Attach("A100", "Valdrix USB A");
    converters.Attach("B200", "");
    converters.Attach("C300", "Valdrix USB C");
    Dialog->Load("provider=FTD_USB");
    QComboBox* devices = List("cbDeviceName");
    ASSERT_EQ(devices->count(), 2) << "a converter without a description is left out";
    EXPECT_EQ(devices->itemText(0), "Valdrix USB A");
    EXPECT_EQ(devices->itemText(1), "Valdrix USB C");
    EXPECT_EQ(Text("eSerialNumber"), "") << "the loaded serial number wins over the first device";

    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_Down);
    EXPECT_EQ(Text("eSerialNumber"), "C300");

    converters.Clear();
    converters.Attach("D400", "Other converter");
    converters.Attach("B200", "");
    converters.Attach("E500", "Valdrix USB C");
    QTest::keyClick(devices, Qt::Key_Up);
    EXPECT_EQ(Text("eSerialNumber"), "") << "index 0 is another converter now";
    QTest::keyClick(devices, Qt::Key_Down);
    EXPECT_EQ(Text("eSerialNumber"), "E500") << "the same kind of converter at the same place";

    converters.Clear();
    QTest::keyClick(devices, Qt::Key_Up);
    EXPECT_EQ(Text("eSerialNumber"), "") << "unplugged";
    Click("bUSBRefresh");
    EXPECT_EQ(devices->count(), 0);
    EXPECT_EQ(Text("eSerialNumber"), "");
    EXPECT_EQ(Dialog->Compose(), "provider=FTD_USB;serial_number=;baudrate=115200");
}

TEST_F(ConnectionDialogTest, DeviceListIsEmptyWhenTheLibraryFails)
{
    Dialog->Load("provider=FTD_USB;serial_number=X1");
    EXPECT_EQ(List("cbDeviceName")->count(), 0) << "no library bound";
    EXPECT_EQ(Text("eSerialNumber"), "X1");
    {
        TFakeConverters partial("VALDRIX_FAKE_D2XX_PARTIAL");
        partial.Attach("A100", "Valdrix USB A");
        Click("bUSBRefresh");
        EXPECT_EQ(List("cbDeviceName")->count(), 0) << "a library lacking functions lists nothing";
        EXPECT_EQ(Text("eSerialNumber"), "");
    }
    TFakeConverters converters;
    converters.Attach("A100", "Valdrix USB A");
    Click("bUSBRefresh");
    EXPECT_EQ(List("cbDeviceName")->count(), 1);
    EXPECT_EQ(Text("eSerialNumber"), "A100");
}

TEST_F(ConnectionDialogTest, DeviceListComesThroughLibftdi1WithoutTheVendorLibrary)
{
    TFakeConverters converters("VALDRIX_FAKE_LIBFTDI1", TFakeConverters::Ftdi1);
    converters.Attach("A100", "Valdrix USB A");
    converters.Attach("C300", "Valdrix USB C");
    Dialog->Load("provider=FTD_USB");
    Click("bUSBRefresh");
    QComboBox* devices = List("cbDeviceName");
    ASSERT_EQ(devices->count(), 2);
    EXPECT_EQ(devices->itemText(0), "Valdrix USB A");
    EXPECT_EQ(devices->itemText(1), "Valdrix USB C");
    EXPECT_EQ(Text("eSerialNumber"), "A100");
    devices->setFocus();
    QTest::keyClick(devices, Qt::Key_Down);
    EXPECT_EQ(Text("eSerialNumber"), "C300");
}

// Dark pixels of one baud-rate item drawn by its list's delegate.
int Ink(QComboBox* list, int row)
{
    QImage image(120, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    QStyleOptionViewItem option;
    option.rect = image.rect();
    option.font = list->view()->font();
    option.palette.setColor(QPalette::Text, Qt::black);
    option.state = QStyle::State_Enabled;
    QPainter painter(&image);
    list->itemDelegate()->paint(&painter, option, list->model()->index(row, 0));
    painter.end();
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += qGray(image.pixel(x, y)) < 128;
    return ink;
}

TEST_F(ConnectionDialogTest, BaudListsDrawTheUsualRatesInBold)
{
    for (const char* name : {"cbCOMBaudrate", "cbUSBBaudRate"}) {
        QComboBox* list = List(name);
        ASSERT_EQ(list->count(), 10);
        EXPECT_EQ(list->itemText(5), "9600");
        EXPECT_EQ(list->itemText(9), "115200");
        EXPECT_GT(Ink(list, 5), Ink(list, 4) * 6 / 5) << name << ": 9600 bolder than 4800";
        EXPECT_GT(Ink(list, 9), Ink(list, 1) * 2) << name << ": 115200 bolder than 300";
        EXPECT_TRUE(list->font().bold()) << "the closed list shows 115200 in bold";
        list->setCurrentIndex(2);
        EXPECT_FALSE(list->font().bold());
    }
}

// Every visible caption fits its control, and so does the selected text of every list
// (with room for the arrow).
void ExpectNothingClipped(const QWidget& dialog)
{
    for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisible()) continue;
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (qobject_cast<const QLabel*>(widget) || (button && !button->text().isEmpty())) {
            EXPECT_LE(widget->sizeHint().width(), widget->width()) << widget->objectName().toStdString();
        }
        if (const auto* list = qobject_cast<const QComboBox*>(widget)) {
            EXPECT_LE(list->fontMetrics().horizontalAdvance(list->currentText()) + 24, list->width())
                << list->currentText().toStdString();
        }
    }
}

TEST_F(ConnectionDialogTest, ScreenshotsOfEachPanel)
{
    TFakeConverters converters;
    converters.Attach("FT5XK2QA", "Valdrix USB-RS485");
    const QString folder = QString::fromLocal8Bit(qgetenv("VALDRIX_BUILD_DIR")) + "/screenshots";
    ASSERT_TRUE(QDir().mkpath(folder));
    Dialog->show();
    Dialog->Load("provider=SERIAL_PORT;comport=205");
    ASSERT_TRUE(WaitForPorts(true, true));
    Dialog->Load("provider=SERIAL_PORT;comport=205");
    const auto save = [&](const char* name) {
        QCoreApplication::processEvents();
        ExpectNothingClipped(*Dialog);
        const QImage image = Dialog->grab().toImage();
        EXPECT_EQ(image.size(), QSize(369, 339));
        EXPECT_TRUE(image.save(folder + "/connection_dialog_" + name + ".png")) << name;
    };
    save("com");
    Click("sbExpertMode");
    save("expert");
    Click("rbUSB");
    save("usb");
    Click("rbTCP");
    save("tcp");
}

} // namespace
