// Talks to the real valdrix-sim program (started as a TSimulator) over loopback sockets
// or its pseudo-terminal, the way the tester does.
#pragma once

#include "protocol/uTarvel97.h"
#include "tests/support/child_processes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The address the simulator answers by default.
inline constexpr uint8_t ADR = 0x31;

// One byte stream to the simulator: a TCP connection or an open pseudo-terminal.
class TSimPeer {
public:
    static TSimPeer Tcp(int port);
    // Opens the terminal at `path` in raw mode with the given baud rate constant.
    static TSimPeer Terminal(const std::string& path, unsigned baud);
    TSimPeer(TSimPeer&& other) noexcept;
    ~TSimPeer();

    void Send(std::string_view bytes);
    // Next frame ("*a", NUM and the bytes NUM announces; not validated), or nothing
    // within the timeout. Bytes in front of it are counted in SkippedBytes().
    std::optional<std::string> ReadFrame(int timeoutMs = 3000);
    size_t SkippedBytes() const { return FSkipped; }
    // Sends a request and returns the answer frame.
    std::optional<std::string> Ask(uint8_t adr, uint8_t sig, uint8_t inst, std::string_view data = {});
    // Waits for the other end to close (end of file or an error).
    bool WaitClosed(int timeoutMs = 3000);

private:
    explicit TSimPeer(int fd) : FFd(fd) {}
    bool Fill(int timeoutMs);

    int FFd = -1;
    std::string FBuffer;
    size_t FSkipped = 0;
};

// Data of a valid answer frame with the given acknowledge code; fails the test otherwise.
std::string AnswerData(const std::optional<std::string>& frame, uint8_t ack = 0);
std::string Bytes(std::initializer_list<int> values);
