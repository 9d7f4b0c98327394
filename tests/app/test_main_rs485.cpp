// The RS-485 test link, its answering device and the module's clock.
#include "test_main_fixture.h"

#include "app/uAppClock.h"
#include "protocol/uTarvel97.h"
#include "tests/support/loopback_socket.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <poll.h>
#include <thread>

namespace {

// A device on the module's RS-485 bus: it answers the first type request it hears
// with the given data.
class TBusDevice {
public:
    TBusDevice(int busPort, std::string answer)
    {
        bool connected = false;
        FSocket = ConnectLoopback(uint16_t(busPort), connected);
        // The module answers a request for its own address on the bus: once that answer
        // is back, the module has taken this device onto its bus.
        const std::string request = BuildTarvel97Packet(0x31, 1, 0xF3, "");
        FReady = connected && send(FSocket, request.data(), request.size(), 0) == ssize_t(request.size()) &&
                 NextPacket().Adr == 0x31;
        if (!FReady) return;
        FThread = std::thread([this, answer] {
            TTarvelFormat97 heard = NextPacket();
            if (heard.Inst != 0xF3) return;
            const std::string bytes = BuildTarvel97Packet(heard.Adr, heard.Sig, 0, answer);
            send(FSocket, bytes.data(), bytes.size(), 0);
        });
    }
    ~TBusDevice()
    {
        shutdown(FSocket, SHUT_RDWR);
        if (FThread.joinable()) FThread.join();
        close(FSocket);
    }
    bool Ready() const { return FReady; }

private:
    // The next valid packet within 10 s; an empty record when none comes.
    TTarvelFormat97 NextPacket()
    {
        TTarvelFormat97 packet;
        pollfd readable{FSocket, POLLIN, 0};
        while (!FindTarvel97Packet(FReceived, packet, true)) {
            char chunk[256];
            if (poll(&readable, 1, 10000) != 1) return {};
            const ssize_t n = recv(FSocket, chunk, sizeof chunk, 0);
            if (n <= 0) return {};
            FReceived.append(chunk, size_t(n));
        }
        return packet;
    }

    int FSocket = -1;
    bool FReady = false;
    std::string FReceived;
    std::thread FThread;
};

} // namespace

TEST_F(MainWindowTest, RS485TestIsAnsweredThroughTheModulesRS485Port)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());

    // Without the RS-485 link the test says so.
    Click(QStringLiteral("btnRS485Info"));
    EXPECT_EQ(Text(QStringLiteral("edtRS485Answer")), QStringLiteral("RS-485 spojení není otevřeno"));

    ConfirmDialogWith(sim.RS485Connection(), QStringLiteral("btnRS485Connect"));
    ASSERT_TRUE(Main().RS485Link());
    EXPECT_EQ(Main().RS485ConnectionString(), sim.RS485Connection());
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(QStringLiteral("btnRS485Log"))->isEnabled());
    Click(QStringLiteral("btnRS485Info"));
    EXPECT_EQ(Text(QStringLiteral("edtRS485Answer")), QStringLiteral("Valdrix Tester Info"));

    // Another address answers too; polling goes on afterwards.
    Find<QComboBox>(QStringLiteral("cbbRS485Address"))->setCurrentIndex(120);
    Main().findChild<QLineEdit*>(QStringLiteral("edtRS485Answer"))->clear();
    Click(QStringLiteral("btnRS485Info"));
    EXPECT_EQ(Text(QStringLiteral("edtRS485Answer")), QStringLiteral("Valdrix Tester Info"));
    WaitRotation();
    EXPECT_TRUE(Main().Connected());

    Click(QStringLiteral("btnRS485Disconnect"));
    EXPECT_FALSE(Main().RS485Link());
    EXPECT_FALSE(Find<QPushButton>(QStringLiteral("btnRS485Disconnect"))->isEnabled());
}

TEST_F(MainWindowTest, RS485AnswerTextIsReadInTheCentralEuropeanCodePage)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    // The tester's RS-485 link is open but hears nothing; another device on the bus answers.
    uint16_t silentPort = 0;
    const int silent = BindLoopback(silentPort, 4);
    ConfirmDialogWith(LoopbackConnection(silentPort), QStringLiteral("btnRS485Connect"));
    TBusDevice device(sim.RS485Port(), "P\xF8\xEDli\x9A \x9Elu\x9Dou\xE8k\xFD k\xF9\xF2");
    ASSERT_TRUE(device.Ready());
    Click(QStringLiteral("btnRS485Info"));
    EXPECT_EQ(Text(QStringLiteral("edtRS485Answer")),
              QStringLiteral("odpověděl jiný přístroj, ne RS-485 spojení testeru: „Příliš žluťoučký kůň“"));
    close(silent);
}

TEST_F(MainWindowTest, ClockIsReadAndSetFromTheDesktop)
{
    TSimulator sim;
    ASSERT_TRUE(sim.Ready());
    OpenWindows();
    ConnectTo(sim.Connection());
    Click(QStringLiteral("Button3"));
    EXPECT_EQ(Text(QStringLiteral("Edit5")), QStringLiteral("01.03.2024 08:05:09"));

    const TAppClock previous = SetAppClock([] { return QDateTime(QDate(2026, 12, 7), QTime(10, 11, 12)); });
    Click(QStringLiteral("Button4"));
    SetAppClock(previous);
    Click(QStringLiteral("Button3"));
    EXPECT_EQ(Text(QStringLiteral("Edit5")), QStringLiteral("07.12.2026 10:11:12"));
}
