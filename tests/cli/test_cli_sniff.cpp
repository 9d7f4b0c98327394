// valdrix-cli sniff on a pseudo-terminal where the test plays both the master and the
// module: every packet listed once and in order, requests paired with their answers,
// damaged bytes between packets costing nothing, and not one byte sent.
#include "capture/uTarvelDecoder.h"
#include "protocol/uTarvel97.h"
#include "tests/support/child_processes.h"
#include "tests/support/com_links.h"
#include "tests/support/held_pty.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

// A pseudo-terminal linked as COM<n>; the test writes the line's traffic on its far end.
class TBusLine {
public:
    TBusLine(const TComLinks& links, int com)
    {
        FName = OpenHeldPty(FMaster, FSlave);
        links.Link(com, FName);
    }
    ~TBusLine()
    {
        ::close(FSlave);
        ::close(FMaster);
    }
    void Write(const std::string& bytes) const { ASSERT_EQ(::write(FMaster, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    // Whether the process holds the line open: its program, not the copy of this test
    // that holds the held end between fork and exec.
    bool OpenedBy(pid_t pid) const
    {
        std::error_code ec;
        const std::string proc = "/proc/" + std::to_string(pid);
        if (std::filesystem::read_symlink(proc + "/exe", ec) == std::filesystem::read_symlink("/proc/self/exe", ec))
            return false;
        for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", ec))
            if (std::filesystem::read_symlink(fd.path(), ec) == FName) return true;
        return false;
    }
    // Bytes that reached the far end: what the listener sent.
    std::string Sent() const
    {
        std::string bytes;
        pollfd fd{FMaster, POLLIN, 0};
        char buffer[256];
        while (::poll(&fd, 1, 0) == 1 && (fd.revents & POLLIN)) {
            const ssize_t n = ::read(FMaster, buffer, sizeof buffer);
            if (n <= 0) break;
            bytes.append(buffer, size_t(n));
        }
        return bytes;
    }

private:
    int FMaster = -1;
    int FSlave = -1;
    std::string FName;
};

std::string Damaged(std::string packet)
{
    packet[packet.size() - 2] ^= 0x01;
    return packet;
}

TEST(CliSniff, ListsEveryPacketOncePairedAndSendsNothing)
{
    TComLinks links;
    TBusLine line(links, 7);
    TRunningProgram sniff(ProgramPath("VALDRIX_CLI"), {"-c", "provider=SERIAL_PORT;comport=7;baudrate=115200",
                                                       "--json", "sniff", "--count", "7"});
    for (int i = 0; i < 500 && !line.OpenedBy(sniff.Pid()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(line.OpenedBy(sniff.Pid()));

    const std::string answer = BuildTarvel97Packet(0x31, 0x01, 0x00, std::string("\x01\x80", 2));
    // A request, noise holding a marker, its answer in two pieces; a request to another
    // module and one to this; their answers in the other order; a damaged request; a
    // refused one.
    line.Write(BuildTarvel97Packet(0x31, 0x01, 0x31, ""));
    line.Write(std::string("\x13\x37*a\x00", 5));
    line.Write(answer.substr(0, 4));
    line.Write(answer.substr(4));
    line.Write(BuildTarvel97Packet(0x32, 0x02, 0x75, "") + BuildTarvel97Packet(0x31, 0x02, 0x30, ""));
    line.Write(BuildTarvel97Packet(0x31, 0x02, 0x00, std::string("\x00\x01", 2)));
    line.Write(BuildTarvel97Packet(0x32, 0x02, 0x00, std::string("\x65\xE1\x8C\x35", 4)));
    line.Write(Damaged(BuildTarvel97Packet(0x31, 0x03, 0x20, "\x81")) + BuildTarvel97Packet(0x31, 0x04, 0x20, "\x81"));
    line.Write(BuildTarvel97Packet(0x31, 0x04, 0x02, ""));

    // How the line's bytes fall into the listener's reads is the kernel's choice: a run of
    // bytes between two packets may come as one record or as several, so the records of
    // one run are joined.
    std::vector<nlohmann::json> packets;
    std::vector<std::string> unframed;
    bool afterUnframed = false;
    while (const auto text = sniff.ReadLine(std::chrono::seconds(20))) {
        const nlohmann::json object = nlohmann::json::parse(*text);
        if (!object.contains("unframed")) {
            packets.push_back(object);
            afterUnframed = false;
        } else if (afterUnframed) {
            unframed.back() += " " + object["unframed"].get<std::string>();
        } else {
            unframed.push_back(object["unframed"]);
            afterUnframed = true;
        }
    }
    EXPECT_EQ(sniff.Wait(), 0);

    struct TExpected {
        int Adr, Sig;
        const char* Role;
        const char* Name;
        const char* Reading;
    };
    const std::vector<TExpected> expected = {
        {0x31, 1, "request", "GetInputs", ""},
        {0x31, 1, "answer", "GetInputs", "inputs 0000000110000000"},
        {0x32, 2, "request", "GetClock", ""},
        {0x31, 2, "request", "GetOutputs", ""},
        {0x31, 2, "answer", "GetOutputs", "outputs 1000000000"},
        {0x32, 2, "answer", "GetClock", "2024-03-01 08:05:09"},
        {0x31, 4, "request", "SetOutputs", "output 1 on"},
    };
    ASSERT_EQ(packets.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(packets[i]["adr"], expected[i].Adr);
        EXPECT_EQ(packets[i]["sig"], expected[i].Sig);
        EXPECT_EQ(packets[i]["role"], expected[i].Role);
        EXPECT_EQ(packets[i]["name"], expected[i].Name);
        EXPECT_EQ(packets[i]["reading"], expected[i].Reading);
        EXPECT_EQ(packets[i].contains("response_ms"), std::string(expected[i].Role) == "answer");
    }
    EXPECT_EQ(unframed, (std::vector<std::string>{"13 37 2A 61 00",
                                                  Tarvel97Hex(Damaged(BuildTarvel97Packet(0x31, 0x03, 0x20, "\x81")))}));
    EXPECT_EQ(line.Sent(), "");
}

} // namespace
