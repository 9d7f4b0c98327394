#include "SimHarness.h"
#include "tests/support/loopback_socket.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace {

int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits for `fd` to become readable until `deadline`.
bool WaitReadable(int fd, int64_t deadline)
{
    for (;;) {
        const int64_t left = deadline - NowMs();
        if (left < 0) return false;
        pollfd p{fd, POLLIN, 0};
        const int n = poll(&p, 1, int(left));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

}

TSimPeer TSimPeer::Tcp(int port)
{
    bool connected = false;
    const int fd = ConnectLoopback(uint16_t(port), connected);
    if (!connected) {
        close(fd);
        throw std::runtime_error("connect to simulator");
    }
    return TSimPeer(fd);
}

TSimPeer TSimPeer::Terminal(const std::string& path, unsigned baud)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("open " + path);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, baud);
    tcsetattr(fd, TCSANOW, &t);
    return TSimPeer(fd);
}

TSimPeer::TSimPeer(TSimPeer&& other) noexcept : FFd(other.FFd), FBuffer(std::move(other.FBuffer))
{
    other.FFd = -1;
}

TSimPeer::~TSimPeer()
{
    if (FFd >= 0) close(FFd);
}

void TSimPeer::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(FFd, bytes.data(), bytes.size());
        if (n <= 0) throw std::runtime_error("write to simulator");
        bytes.remove_prefix(size_t(n));
    }
}

bool TSimPeer::Fill(int timeoutMs)
{
    if (!WaitReadable(FFd, NowMs() + timeoutMs)) return false;
    char chunk[4096];
    const ssize_t n = read(FFd, chunk, sizeof chunk);
    if (n <= 0) return false;
    FBuffer.append(chunk, size_t(n));
    return true;
}

std::optional<std::string> TSimPeer::ReadFrame(int timeoutMs)
{
    const int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        const size_t marker = FBuffer.find("*a");
        if (marker != std::string::npos && marker > 0) {
            FSkipped += marker;
            FBuffer.erase(0, marker);
        }
        const std::string frame = ExtractTarvel97Packet(FBuffer, true);
        if (!frame.empty()) return frame;
        const int64_t left = deadline - NowMs();
        if (left <= 0 || !Fill(int(left))) return std::nullopt;
    }
}

std::optional<std::string> TSimPeer::Ask(uint8_t adr, uint8_t sig, uint8_t inst, std::string_view data)
{
    Send(BuildTarvel97Packet(adr, sig, inst, data));
    return ReadFrame();
}

bool TSimPeer::WaitClosed(int timeoutMs)
{
    const int64_t deadline = NowMs() + timeoutMs;
    char chunk[256];
    while (WaitReadable(FFd, deadline)) {
        const ssize_t n = read(FFd, chunk, sizeof chunk);
        if (n <= 0) return true;
    }
    return false;
}

std::string AnswerData(const std::optional<std::string>& frame, uint8_t ack)
{
    if (!frame) {
        ADD_FAILURE() << "no answer";
        return {};
    }
    EXPECT_EQ(ValidateTarvel97Packet(*frame), 0);
    TTarvelFormat97 rec;
    ParseTarvel97Packet(*frame, rec);
    EXPECT_EQ(rec.Inst, ack);
    return rec.Data;
}

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (const int v : values) s += char(v);
    return s;
}
