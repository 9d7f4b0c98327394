// One endpoint through which packets reach the simulated module: a TCP listener with
// its current client, or a pseudo-terminal. A link frames what it receives, hands each
// valid packet to its sink, and queues bytes for its current peer. Each new peer starts
// a new session; bytes meant for an earlier session are dropped.
#pragma once

#include "protocol/uTarvelFramer.h"
#include "sim/SimLoop.h"

#include <cstdint>
#include <string>
#include <string_view>

// The module's two ports: the main link (to the tester) and the RS-485 bus.
enum class TSimSide { Main, Bus };

class TSimLink;

class ISimPacketSink {
public:
    virtual ~ISimPacketSink() = default;
    virtual void OnPacket(TSimLink& from, const TTarvelFormat97& packet) = 0;
};

class TSimLink : public TSimLoop::ISource {
public:
    // Bytes waiting for a peer that does not read are capped; beyond this they are dropped.
    static constexpr size_t MaxOutput = 1 << 20;

    TSimLink(TSimSide side, ISimPacketSink& sink) : FSide(side), FSink(sink) {}
    TSimLink(const TSimLink&) = delete;
    TSimLink& operator=(const TSimLink&) = delete;

    TSimSide Side() const { return FSide; }
    uint64_t Session() const { return FSession; }
    size_t PacketsThisSession() const { return FPackets; }
    virtual bool HasPeer() const = 0;
    // Where the link is reached: "host:port" or the terminal's path.
    virtual std::string Describe() const = 0;
    // Ends the current session: closes the client, or hangs up the terminal.
    virtual void Hangup() = 0;

    // Queues bytes for the current peer (dropped without one, or when the peer of
    // `session` is gone).
    void Send(std::string_view bytes);
    void SendInSession(uint64_t session, std::string_view bytes);

protected:
    void Received(std::string_view bytes);
    void StartSession();
    bool HasOutput() const { return !FOutput.empty(); }
    // Writes what the descriptor takes; false when the peer is gone.
    bool Flush(int fd);

private:
    TSimSide FSide;
    ISimPacketSink& FSink;
    TTarvelFramer FFramer;
    std::string FOutput;
    uint64_t FSession = 0;
    size_t FPackets = 0;
};
