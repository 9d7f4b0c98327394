// The socket-client level of the transports: a communication interface with a remote
// host and port (and, for transports that have one, a local port).
#pragma once

#include "framework/uci_ICommunicationInterfaceDataSpy.h"

class ISockClientInterface : public virtual ICommunicationInterface {
public:
    static constexpr TGUID IID = MakeGUID("{0BEEB427-CA65-4A48-BF7F-EE22465C2164}");

    virtual void GetHost(std::string& text) = 0;
    virtual void SetHost(const std::string& text) = 0;
    virtual uint16_t GetPort() = 0;
    virtual void SetPort(uint16_t port) = 0;
    virtual int32_t GetLocalPort() = 0;
    virtual void SetLocalPort(int32_t port) = 0;
};

class TSockClientCoreInterface : public TCommunicationInterfaceDataSpy, public virtual ISockClientInterface {
public:
    std::string ClassName() const override { return "TSockClientCoreInterface"; }

    // A socket has no input or output queue of its own to discard.
    void PurgeInput() override {}
    void PurgeOutput() override {}
    int32_t GetLocalPort() override { return 0; }
    void SetLocalPort(int32_t) override {}

protected:
    bool ImplementsInterface(const TGUID& iid) const override
    {
        return iid == ISockClientInterface::IID || TCommunicationInterfaceDataSpy::ImplementsInterface(iid);
    }
};
