#include "cli/uCliCapture.h"

TCliCapture::TCliCapture(std::string linkName)
    : FLinkName(std::move(linkName)), FRecorder([this](const TCaptureRecord& record) { FWriter.Write(record); }),
      FSink(TSpySink::Bind<&TCliCapture::Watch>(this))
{
}

TCliCapture::~TCliCapture()
{
    if (FWatching) RemoveSpySink(FSink, FNextSink);
    FRecorder.Finish();
}

bool TCliCapture::Open(const std::string& path, std::string& error)
{
    if (!FWriter.Open(path, error)) return false;
    FNextSink = ExchangeSpySink(FSink);
    FWatching = true;
    return true;
}

void TCliCapture::Watch(ICommunicationInterface* intf, const std::string& bytes, uint8_t direction)
{
    if (FNextSink) FNextSink(intf, bytes, direction);
    uint16_t link = 0;
    {
        const std::lock_guard lock(FLinksLock);
        link = FLinks.try_emplace(intf, uint16_t(FLinks.size() + 1)).first->second;
    }
    const uint8_t captured = direction == SpyDirectionSent ? CaptureDirectionSent : CaptureDirectionReceived;
    if (direction == SpyDirectionDropped)
        FRecorder.AddDropped(link, FLinkName, captured, bytes, CaptureNowUs());
    else
        FRecorder.Add(link, FLinkName, captured, bytes, CaptureNowUs());
}
