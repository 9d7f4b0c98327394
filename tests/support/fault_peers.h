// Misbehaving TCP peers on a loopback port, for the fault tests of the tester's clients.
// A peer passes the client's bytes on to the module simulator and spoils the way the
// module's answers come back: behind a flood of random bytes, one byte at a time, or
// never (the silent peer does not even reach a module).
#pragma once

#include <cstdint>
#include <string>
#include <thread>

enum class TPeerFault {
    Flood,   // 10 MB of random bytes, then the answers (once per connection)
    Trickle, // every byte of the answers 100 ms after the one before
    Silent,  // accepts and reads, never answers
};

class TFaultPeer {
public:
    static constexpr size_t FloodBytes = 10 * 1024 * 1024;

    // Serves one connection after another; `modulePort` is the simulator's loopback port
    // (not used by the silent peer).
    TFaultPeer(TPeerFault fault, int modulePort = 0);
    ~TFaultPeer();
    TFaultPeer(const TFaultPeer&) = delete;
    TFaultPeer& operator=(const TFaultPeer&) = delete;

    std::string Connection() const;

private:
    void Serve();
    void Relay(int client);

    const TPeerFault FFault;
    const int FModulePort;
    int FListener = -1;
    int FStop[2] = {-1, -1}; // a pipe: written when the peer is to end
    uint16_t FPort = 0;
    std::thread FThread;
};
