// A TCP listener and its one client. A new client replaces the one before it (whose
// connection is closed), so a tester that reconnects never finds the port occupied.
#pragma once

#include "sim/SimLink.h"

#include <string>

class TSimTcpLink : public TSimLink {
public:
    // Listens at host:port (port 0 picks a free one); throws Exception on failure.
    TSimTcpLink(TSimSide side, ISimPacketSink& sink, const std::string& host, uint16_t port);
    ~TSimTcpLink() override;

    uint16_t Port() const { return FPort; }
    bool HasPeer() const override { return FClient >= 0; }
    std::string Describe() const override;
    void Hangup() override;
    void Watches(std::vector<TSimLoop::TWatch>& watches) override;

private:
    void Accept();
    void OnClient(int fd, short revents);
    void CloseClient();

    std::string FHost;
    uint16_t FPort = 0;
    int FListen = -1;
    int FClient = -1;
};
