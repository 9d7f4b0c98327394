// The base of every transport: hands each byte string sent or received, with its
// direction and the interface, to the process-wide spy sink (framework/uci_SpySink.h).
#pragma once

#include "framework/uci_ICommunicationInterface.h"
#include "framework/uci_SpySink.h"

class TCommunicationInterfaceDataSpy : public TCommunicationInterface {
public:
    std::string ClassName() const override { return "TCommunicationInterfaceDataSpy"; }

protected:
    void SpySent(const std::string& bytes) override;
    void SpyReceived(const std::string& bytes) override;
    void SpyDropped(const std::string& bytes) override;
    // Calls the spy sink, if one is installed; whatever the sink raises is swallowed.
    virtual void SpyData(uint8_t direction, const std::string& bytes);
};
