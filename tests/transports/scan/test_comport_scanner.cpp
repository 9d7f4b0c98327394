// The port scanner and its list, on real pseudo-terminals linked as COM<n> entries.
#include "tests/transports/test_af_pty.h"
#include "tests/transports/test_error_receiver.h"
#include "transports/scan/uComPortIdentity.h"
#include "transports/scan/uComPortProbe.h"
#include "transports/scan/uComPortScanner.h"
#include "transports/scan/uComPortStringList.h"

#include <gtest/gtest.h>

#include <QAbstractListModel>
#include <QCoreApplication>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Ports far above the fixed device table, so only the test's entries answer to them.
constexpr int FreePort = 201;
constexpr int HeldPort = 202;
constexpr int DanglingPort = 203;

// A list model that keeps any role, standing in for a combo box's model.
class TListModel : public QAbstractListModel {
public:
    int rowCount(const QModelIndex& = {}) const override { return int(FRows.size()); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid()) return {};
        const auto& row = FRows[size_t(index.row())];
        auto it = row.find(role);
        return it == row.end() ? QVariant() : it->second;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid()) return false;
        FRows[size_t(index.row())][role] = value;
        return true;
    }
    bool insertRows(int row, int count, const QModelIndex& = {}) override
    {
        beginInsertRows({}, row, row + count - 1);
        FRows.insert(FRows.begin() + row, size_t(count), {});
        endInsertRows();
        return true;
    }
    bool removeRows(int row, int count, const QModelIndex& = {}) override
    {
        beginRemoveRows({}, row, row + count - 1);
        FRows.erase(FRows.begin() + row, FRows.begin() + row + count);
        endRemoveRows();
        return true;
    }
    QString Text(int row) const { return data(index(row), Qt::DisplayRole).toString(); }

private:
    std::vector<std::map<int, QVariant>> FRows;
};

// Holds a port the way a transport does: exclusive mode and the advisory lock.
class THolder {
public:
    explicit THolder(const std::string& path)
    {
        FFd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        EXPECT_GE(FFd, 0);
        EXPECT_EQ(::ioctl(FFd, TIOCEXCL), 0);
        EXPECT_EQ(::flock(FFd, LOCK_EX | LOCK_NB), 0);
    }
    ~THolder() { ::close(FFd); }

private:
    int FFd = -1;
};

// Waits for the scan to end, then takes the reports it queued before it stopped.
bool ScanEnded(TComPortScanner& scanner)
{
    if (!PumpUntil([&] { return !scanner.Scanning(); }, std::chrono::seconds(60))) return false;
    QCoreApplication::processEvents();
    return true;
}

// A COM directory with a free port, a held port and a dangling entry.
class ComPortScannerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FLinks.Link(FreePort, FFree.SlavePath());
        FLinks.Link(HeldPort, FHeld.SlavePath());
        FLinks.Link(DanglingPort, (FDir / "unplugged").string());
        FHolder = std::make_unique<THolder>(FHeld.SlavePath());
    }
    static std::string PtsName(const TPty& pty) { return pty.SlavePath().substr(5); } // "pts/N"

    TComLinks FLinks;
    const fs::path FDir = FLinks.Path();
    TPty FFree, FHeld;
    std::unique_ptr<THolder> FHolder;
};

// Every report the scanner hands over, per port, in order of arrival.
struct TReportLog {
    std::map<int, std::vector<uint8_t>> States;
    int Count = 0;
    void OnPortState(int port, uint8_t state)
    {
        States[port].push_back(state);
        ++Count;
    }
};

TEST_F(ComPortScannerTest, ProbeTellsFreeHeldAndMissingPortsApart)
{
    EXPECT_EQ(ProbePort(FreePort), cpsPresent);
    EXPECT_EQ(ProbePort(FreePort), cpsPresent) << "a probe must release the port again";
    EXPECT_EQ(ProbePort(HeldPort), cpsBusy);
    EXPECT_EQ(ProbePort(DanglingPort), cpsAbsent);
    EXPECT_EQ(ProbePort(204), cpsAbsent) << "no entry and beyond the device table";
    constexpr int DirectoryPort = 205;
    FLinks.Link(DirectoryPort, FDir.string());
    EXPECT_EQ(ProbePort(DirectoryPort), cpsAbsent) << "a directory is no port";
    EXPECT_EQ(ProbePort(0), cpsAbsent);

    FHolder.reset();
    EXPECT_EQ(ProbePort(HeldPort), cpsPresent) << "free again once the holder closed it";
    THolder again(FHeld.SlavePath()); // the probes left no lock behind
}

TEST_F(ComPortScannerTest, ItemTextShowsTheDeviceBesideTheNumber)
{
    const QString device = QString::fromStdString(PtsName(FFree));
    EXPECT_EQ(ComPortItemText(FreePort, cpsProbing), QString("COM 201 (%1) ...").arg(device));
    EXPECT_EQ(ComPortItemText(FreePort, cpsPresent), QString("COM 201 (%1)").arg(device));
    EXPECT_EQ(ComPortDeviceName(DanglingPort), (FDir / "unplugged").string());
    ::unsetenv("VALDRIX_COM_DIR");
    EXPECT_EQ(ComPortItemText(33, cpsPresent), "COM 33 (ttyUSB0)");
    EXPECT_EQ(ComPortItemText(300, cpsPresent), "COM 300");
}

TEST(SerialByIdIdentity, DropsBusAndInterfaceAndShowsSpaces)
{
    const struct {
        const char* link;
        const char* identity;
    } cases[] = {
        {"usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0", "FTDI FT232R USB UART A5XK3RJT"},
        {"usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0", "Prolific Technology Inc. USB-Serial Controller"},
        {"usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_0001-if00", "Silicon Labs CP2102 USB to UART Bridge 0001"},
        {"usb-FTDI_Dual_RS232-HS-if01-port0", "FTDI Dual RS232-HS"},
    };
    for (const auto& c : cases) EXPECT_EQ(SerialByIdIdentity(c.link), c.identity) << c.link;
}

// Three converters: one linked straight to its device, one through its COM entry, and
// one whose link leads to a device no port resolves to.
TEST_F(ComPortScannerTest, ItemTextNamesTheConverterFromItsByIdLink)
{
    const fs::path byId = FDir / "by-id";
    fs::create_directory(byId);
    ::setenv("VALDRIX_SERIAL_BY_ID_DIR", byId.c_str(), 1);
    TPty other;
    fs::create_symlink(FFree.SlavePath(), byId / "usb-FTDI_FT232R_USB_UART_A5XK3RJT-if00-port0");
    fs::create_symlink(FDir / "COM202", byId / "usb-FTDI_FT232R_USB_UART_B7QW1ZPD-if00-port0");
    fs::create_symlink(other.SlavePath(), byId / "usb-FTDI_FT232R_USB_UART_C0FFEE00-if00-port0");

    const QString free = QString::fromStdString(PtsName(FFree));
    const QString held = QString::fromStdString(PtsName(FHeld));
    EXPECT_EQ(ComPortItemText(FreePort, cpsPresent), QString("COM 201 (%1) FTDI FT232R USB UART A5XK3RJT").arg(free));
    EXPECT_EQ(ComPortItemText(FreePort, cpsProbing),
              QString("COM 201 (%1) FTDI FT232R USB UART A5XK3RJT ...").arg(free));
    EXPECT_EQ(ComPortItemText(HeldPort, cpsBusy), QString("COM 202 (%1) FTDI FT232R USB UART B7QW1ZPD").arg(held));
    EXPECT_EQ(ComPortIdentity(DanglingPort), "");

    ::setenv("VALDRIX_SERIAL_BY_ID_DIR", (FDir / "missing").c_str(), 1);
    EXPECT_EQ(ComPortItemText(FreePort, cpsPresent), QString("COM 201 (%1)").arg(free));
    ::unsetenv("VALDRIX_SERIAL_BY_ID_DIR");
}

TEST_F(ComPortScannerTest, FullScanListsPresentPortsInOrder)
{
    TListModel model;
    TComPortStringList list;
    list.Items = &model;
    TReportLog log;
    TComPortScanner scanner;
    scanner.OnPortState = TComPortStateEvent::Bind<&TReportLog::OnPortState>(&log);

    scanner.StartScan();
    ASSERT_TRUE(ScanEnded(scanner));

    ASSERT_EQ(log.States.size(), 255u);
    for (const auto& [port, states] : log.States) {
        ASSERT_EQ(states.size(), 2u) << "COM" << port;
        EXPECT_EQ(states[0], cpsProbing);
    }
    EXPECT_EQ(log.States[FreePort][1], cpsPresent);
    EXPECT_EQ(log.States[HeldPort][1], cpsBusy);
    EXPECT_EQ(log.States[DanglingPort][1], cpsAbsent);

    // The same reports applied to the list, in the order they arrived.
    scanner.OnPortState = TComPortStateEvent::Bind<&TComPortStringList::UpdatePort>(&list);
    scanner.StartScan();
    ASSERT_TRUE(ScanEnded(scanner));
    int previous = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        EXPECT_GT(list.PortAt(row), previous) << "sorted by port number";
        previous = list.PortAt(row);
        EXPECT_FALSE(model.Text(row).endsWith(" ...")) << model.Text(row).toStdString();
    }
    const int free = list.IndexOfPort(FreePort);
    const int held = list.IndexOfPort(HeldPort);
    ASSERT_EQ(list.PortAt(free), FreePort);
    ASSERT_EQ(list.PortAt(held), HeldPort);
    EXPECT_EQ(held, free + 1);
    EXPECT_EQ(model.Text(held), QString::fromStdString("COM 202 (" + PtsName(FHeld) + ")"));
    EXPECT_EQ(model.index(held).data(TComPortStringList::ItemRole).value<TComPortItem>().State, cpsBusy);
    EXPECT_NE(list.PortAt(list.IndexOfPort(DanglingPort)), DanglingPort);
}

TEST_F(ComPortScannerTest, RestartDropsTheSupersededScan)
{
    TReportLog log;
    TComPortScanner scanner;
    scanner.OnPortState = TComPortStateEvent::Bind<&TReportLog::OnPortState>(&log);

    scanner.StartScan();
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // probes run, reports queue up
    scanner.StartScan();
    ASSERT_TRUE(ScanEnded(scanner));

    ASSERT_EQ(log.States.size(), 255u);
    for (const auto& [port, states] : log.States)
        ASSERT_EQ(states.size(), 2u) << "COM" << port << " reported by both scans";
    EXPECT_EQ(log.States[HeldPort][1], cpsBusy);
}

TEST_F(ComPortScannerTest, StopAndDestroyDuringAScan)
{
    TReportLog log;
    auto scanner = std::make_unique<TComPortScanner>();
    scanner->OnPortState = TComPortStateEvent::Bind<&TReportLog::OnPortState>(&log);

    scanner->StartScan();
    scanner->StopScan();
    EXPECT_FALSE(scanner->Scanning());
    QCoreApplication::processEvents();
    const int stopped = log.Count;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Count, stopped) << "parked workers probe nothing";

    scanner->StartScan(); // the parked workers take up a new scan
    ASSERT_TRUE(ScanEnded(*scanner));
    EXPECT_EQ(log.States[FreePort].back(), cpsPresent);

    scanner->StartScan();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    scanner.reset(); // while workers probe and reports wait in the queue
    const int destroyed = log.Count;
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Count, destroyed) << "no report after the scanner is gone";
}

TEST_F(ComPortScannerTest, FailingHandlerDoesNotStopTheScan)
{
    struct TThrower {
        int Calls = 0;
        void OnPortState(int, uint8_t)
        {
            ++Calls;
            throw std::runtime_error("handler failed");
        }
    } thrower;
    TErrorReceiverRecord errors;
    TComPortScanner scanner;
    scanner.OnPortState = TComPortStateEvent::Bind<&TThrower::OnPortState>(&thrower);
    scanner.StartScan();
    ASSERT_TRUE(ScanEnded(scanner));
    EXPECT_EQ(thrower.Calls, 2 * 255);
    EXPECT_EQ(errors.Messages(), std::vector<std::string>(2 * 255, "handler failed")) << "every failure is shown";
    EXPECT_FALSE(errors.OffMain());
}

// The list adapter on its own, fed by hand.
class ComPortStringListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::unsetenv("VALDRIX_COM_DIR"); // COM 3 is then /dev/ttyS2
        FList.Items = &FModel;
    }
    std::vector<int> Ports() const
    {
        std::vector<int> ports;
        for (int row = 0; row < FModel.rowCount(); ++row) ports.push_back(FList.PortAt(row));
        return ports;
    }
    TListModel FModel;
    TComPortStringList FList;
};

TEST_F(ComPortStringListTest, ReportsKeepTheListSortedAndInStep)
{
    FList.UpdatePort(3, cpsProbing);
    ASSERT_EQ(FModel.rowCount(), 1);
    EXPECT_EQ(FModel.Text(0), "COM 3 (ttyS2) ...");
    FList.UpdatePort(7, cpsPresent);
    FList.UpdatePort(1, cpsBusy);
    EXPECT_EQ(Ports(), (std::vector<int> {1, 3, 7}));

    FList.UpdatePort(3, cpsPresent);
    EXPECT_EQ(Ports(), (std::vector<int> {1, 3, 7})) << "updated in place";
    EXPECT_EQ(FModel.Text(1), "COM 3 (ttyS2)");

    FList.UpdatePort(5, cpsAbsent);
    EXPECT_EQ(Ports(), (std::vector<int> {1, 3, 7})) << "an unlisted absent port changes nothing";
    FList.UpdatePort(3, cpsAbsent);
    EXPECT_EQ(Ports(), (std::vector<int> {1, 7}));
}

TEST_F(ComPortStringListTest, LookupsByIndexAndPort)
{
    for (int port : {1, 3, 7}) FList.UpdatePort(port, cpsPresent);
    EXPECT_EQ(FList.IndexOfPort(5), 1);
    EXPECT_EQ(FList.IndexOfPort(7), 2);
    EXPECT_EQ(FList.IndexOfPort(255), 2);
    EXPECT_EQ(FList.IndexOfPort(0), -1);
    EXPECT_EQ(FList.PortAt(-1), 0);
    EXPECT_EQ(FList.PortAt(3), 0);

    FModel.insertRow(3); // a row the adapter did not make
    EXPECT_EQ(FList.PortAt(3), 0);
    FList.UpdatePort(9, cpsPresent);
    EXPECT_EQ(Ports(), (std::vector<int> {1, 3, 7, 0, 9}));

    TComPortStringList unbound;
    unbound.UpdatePort(1, cpsPresent);
    EXPECT_EQ(unbound.IndexOfPort(1), -1);
    EXPECT_EQ(unbound.PortAt(0), 0);
}

TEST_F(ComPortStringListTest, CustomFormatReplacesTheDefaultText)
{
    struct TFormat {
        void Format(int port, uint8_t state, QString& text) { text = QString("#%1/%2").arg(port).arg(state); }
    } format;
    FList.OnFormat = TMethod<void(int, uint8_t, QString&)>::Bind<&TFormat::Format>(&format);
    FList.UpdatePort(4, cpsProbing);
    FList.UpdatePort(4, cpsBusy);
    ASSERT_EQ(FModel.rowCount(), 1);
    EXPECT_EQ(FModel.Text(0), "#4/2");
}

} // namespace
