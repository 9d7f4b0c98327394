#include "framework/uci_ICommunicationInterfaceDataSpy.h"

void TCommunicationInterfaceDataSpy::SpySent(const std::string& bytes)
{
    SpyData(SpyDirectionSent, bytes);
    TCommunicationInterface::SpySent(bytes);
}

void TCommunicationInterfaceDataSpy::SpyReceived(const std::string& bytes)
{
    SpyData(SpyDirectionReceived, bytes);
    TCommunicationInterface::SpyReceived(bytes);
}

void TCommunicationInterfaceDataSpy::SpyDropped(const std::string& bytes)
{
    SpyData(SpyDirectionDropped, bytes);
    TCommunicationInterface::SpyDropped(bytes);
}

void TCommunicationInterfaceDataSpy::SpyData(uint8_t direction, const std::string& bytes)
{
    CallSpySink(this, bytes, direction);
}
